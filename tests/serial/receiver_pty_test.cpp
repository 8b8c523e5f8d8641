// The receiver thread on a real serial line under Wine: a pty pair made by
// socat, one end linked as the driver's COM port, the other as the panel's
// (pty-com.sh). The test writes panel bytes on the panel's port and steps
// the thread through the stand-in host, which ticks only on demand.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "panel/receiver.h"
#include "panel/receiver.h"
#include "serial/serial_calls.h"
#include "serial/serial_port.h"
#include "tests/serial/framing_cases.h"
#include "tests/serial/host_steps.h"

namespace {

using namespace zid;
using framing::operator+;

constexpr LineBlock k9600{9600, 8, 0, 0};
constexpr int32_t kChannelTimeout = 4;  // 40 ms, the driver's default
constexpr DWORD kReadTimeoutMs = 40;

std::string gDriverCom, gPanelCom;

// One channel and one panel port for the whole program, as the tests run in
// order against the same receiver thread.
struct Line {
    std::unique_ptr<ChannelContext> ctx = std::make_unique<ChannelContext>();
    HANDLE panel = INVALID_HANDLE_VALUE;
    uint8_t client = 0;
};
Line* gLine = nullptr;

std::string DeviceName(const std::string& com) { return "\\\\.\\" + com; }

DWORD Queued() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(ToWin32Handle(LoadPort(*gLine->ctx)), &errors, &status)) return 0;
    return status.cbInQue;
}

// Writes bytes on the panel's end.
void SendNow(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(gLine->panel, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          nullptr));
    ASSERT_EQ(written, bytes.size());
}

// Writes bytes on the panel's end and waits until the driver's port has them
// (only while the receiver is not reading).
void Send(const std::string& bytes) {
    const DWORD before = Queued();
    SendNow(bytes);
    ASSERT_TRUE(steps::WaitUntil([&] { return Queued() >= before + bytes.size(); }, 5000))
        << "bytes did not arrive at " << gDriverCom;
}

std::string Text(const std::vector<int>& script) {
    std::string s;
    for (int v : script)
        if (v != framing::kEmpty) s += static_cast<char>(v);
    return s;
}

bool BufferCleared() {
    for (int i = 0; i < kMaxLineLength; ++i)
        if (gLine->ctx->message[i] != 0) return false;
    return true;
}

PortHandle OpenDriverPort() {
    PortHandle port = 0;
    EXPECT_EQ(ComOpen(DeviceName(gDriverCom).c_str(), &k9600, 0x4333, &port), kComOk);
    int32_t previous = 0;
    EXPECT_EQ(ComSetReadTimeout(port, kChannelTimeout, &previous), kComOk);
    EXPECT_EQ(previous, 100);
    return port;
}

class ReceiverPty : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetTickPeriod(0);
        gLine = new Line;
        gLine->panel = CreateFileA(DeviceName(gPanelCom).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(gLine->panel, INVALID_HANDLE_VALUE) << gPanelCom;
        StorePort(*gLine->ctx, OpenDriverPort());
        gLine->client = steps::MakeClient("SulVOR No_07");
        gLine->ctx->clientId = gLine->client;
        gLine->ctx->channel = 7;
        ASSERT_TRUE(StartReceiverThread(gLine->ctx.get()));
        ASSERT_TRUE(steps::WaitUntil([] { return QelSimWaiting(gLine->client) == 1; }, 15000));
    }

    void SetUp() override {
        ASSERT_NE(gLine->panel, INVALID_HANDLE_VALUE);
        ASSERT_NE(LoadPort(*gLine->ctx), 0u);
        QelSimCallLogClear();
    }

    static bool Poll() { return steps::Poll(gLine->client); }
};

TEST_F(ReceiverPty, FramingCasesOnTheWire) {
    for (const framing::Case& c : framing::Cases()) {
        // Pauses need timing of their own (below); a port failing every read
        // is the closed-port test.
        const std::string bytes = Text(c.script);
        bool pauseInside = false;
        for (size_t i = 0; i < c.script.size(); ++i)
            if (c.script[i] == framing::kEmpty && i + 1 < c.script.size() &&
                c.script[i + 1] != framing::kEmpty)
                pauseInside = true;
        if (bytes.empty() || pauseInside || c.script.front() == framing::kEmpty) continue;
        SCOPED_TRACE(c.name);
        Send(bytes);
        QelSimCallLogClear();
        ASSERT_TRUE(Poll());
        std::vector<std::string> expected = c.logs;
        if (!c.accepted) expected.push_back(steps::kIllegal);
        EXPECT_EQ(steps::Logs(), expected);
        EXPECT_TRUE(BufferCleared());
        // What the line left in the queue is the next poll's line.
        const std::string rest = bytes.substr(std::min(bytes.size(), c.reads));
        if (!rest.empty()) {
            QelSimCallLogClear();
            ASSERT_TRUE(Poll());
            EXPECT_EQ(steps::Logs(), std::vector<std::string>{framing::Read(rest.substr(0, rest.size() - 1))});
        }
        EXPECT_EQ(Queued(), 0u);
    }
}

TEST_F(ReceiverPty, OneLinePerPollThenNothing) {
    Send(std::string("FIRST\0SECOND\0", 13));
    const std::vector<std::vector<std::string>> perPoll = {
        {framing::Read("FIRST")}, {framing::Read("SECOND")}, {}};
    for (const auto& expected : perPoll) {
        QelSimCallLogClear();
        ASSERT_TRUE(Poll());
        EXPECT_EQ(steps::Logs(), expected);
    }
}

TEST_F(ReceiverPty, ShortLineAfterLongLineSeesZeroes) {
    Send(framing::Letters(60) + std::string(1, '\0'));
    ASSERT_TRUE(Poll());
    EXPECT_TRUE(BufferCleared());
    QelSimCallLogClear();
    Send(std::string("0123456789\0", 11));
    ASSERT_TRUE(Poll());
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{framing::Read("0123456789")});
    EXPECT_TRUE(BufferCleared());
}

TEST_F(ReceiverPty, PauseOfAFewReadTimeoutsInsideALine) {
    // 100 ms timeouts here, so that a loaded machine oversleeping the pause
    // cannot push it past the bound (five empty reads, 500 ms).
    const PortHandle port = LoadPort(*gLine->ctx);
    int32_t previous = 0;
    ASSERT_EQ(ComSetReadTimeout(port, 10, &previous), kComOk);
    ASSERT_EQ(previous, kChannelTimeout);
    Send("PAU");
    const int before = steps::Tick(gLine->client);
    ASSERT_GE(before, 0);
    Sleep(250);  // two to three empty reads
    SendNow(std::string("SE\0", 3));
    ASSERT_TRUE(steps::BackToWaiting(gLine->client, before));
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{framing::Read("PAUSE")});
    ComSetReadTimeout(port, kChannelTimeout);
}

TEST_F(ReceiverPty, PortClosedInsideALineThenReopened) {
    Send("HALF");
    const int before = steps::Tick(gLine->client);
    ASSERT_GE(before, 0);
    Sleep(kReadTimeoutMs);  // the thread now waits for the rest of the line
    // The host closes the port as its close command does.
    const PortHandle old = LoadPort(*gLine->ctx);
    ASSERT_EQ(ComClose(old), kComOk);
    StorePort(*gLine->ctx, 0);
    ASSERT_TRUE(steps::BackToWaiting(gLine->client, before));
    EXPECT_EQ(steps::Logs(), (std::vector<std::string>{framing::kFailed, steps::kIllegal}));

    // Polls while the port is closed read nothing and log nothing; !C is 1.
    QelSimCallLogClear();
    ASSERT_TRUE(Poll());
    ASSERT_TRUE(Poll());
    EXPECT_TRUE(steps::Logs().empty());
    EXPECT_EQ(LoadStatus(gLine->ctx->portDown), 1);

    // Re-opened: the next line decodes, with no restart of the thread.
    StorePort(*gLine->ctx, OpenDriverPort());
    Send(std::string("AGAIN\0", 6));
    ASSERT_TRUE(Poll());
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{framing::Read("AGAIN")});
    EXPECT_EQ(LoadStatus(gLine->ctx->portDown), 0);
}

TEST_F(ReceiverPty, PurgeWhileALineIsRead) {
    Send("PART");
    const int before = steps::Tick(gLine->client);
    ASSERT_GE(before, 0);
    Sleep(kReadTimeoutMs / 2);
    SendNow("MORE");
    // Host thread and receiver take bytes from the same queue; the line
    // gets no NUL either way, so it ends by the bound on empty reads.
    EXPECT_EQ(ComPurgeInput(LoadPort(*gLine->ctx)), kComOk);
    ASSERT_TRUE(steps::BackToWaiting(gLine->client, before));
    EXPECT_EQ(steps::Logs(), (std::vector<std::string>{framing::kFailed, steps::kIllegal}));
    // The channel's timeout is back, and the next line reads.
    COMMTIMEOUTS t{};
    ASSERT_TRUE(GetCommTimeouts(ToWin32Handle(LoadPort(*gLine->ctx)), &t));
    EXPECT_EQ(t.ReadTotalTimeoutConstant, kReadTimeoutMs);
    QelSimCallLogClear();
    Send(std::string("NEXT\0", 5));
    ASSERT_TRUE(Poll());
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{framing::Read("NEXT")});
}

// Last: ends the thread.
TEST_F(ReceiverPty, ShutdownAfterOneSecond) {
    const ULONGLONG start = GetTickCount64();
    QelSimShutdownClient(gLine->client);
    ASSERT_TRUE(steps::WaitUntil([] { return steps::Count(kCallRmClient) == 1; }, 15000));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 950u);
    ASSERT_TRUE(steps::WaitUntil([] { return !steps::Logs().empty(); }, 5000));
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{steps::kShutDown});
    for (const QelSimCall& c : steps::CallLog()) {
        if (c.kind == kCallRmClient) {
            EXPECT_EQ(c.clientId, gLine->client);
        }
    }
    // The port stays open.
    DWORD errors = 0;
    COMSTAT status{};
    EXPECT_TRUE(ClearCommError(ToWin32Handle(LoadPort(*gLine->ctx)), &errors, &status));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* driver = std::getenv("ZID_DRIVER_COM");
    const char* panel = std::getenv("ZID_PANEL_COM");
    if (!driver || !panel) {
        std::fprintf(stderr, "SKIP: no pty pair (run through cmake/pty-com.sh)\n");
        return 77;
    }
    gDriverCom = driver;
    gPanelCom = panel;
    return RUN_ALL_TESTS();
}
