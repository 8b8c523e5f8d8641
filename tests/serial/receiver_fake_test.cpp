// The receiver thread against the fake call table and the stand-in host,
// which ticks only on demand.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "panel/receiver.h"
#include "panel/receiver.h"
#include "serial/serial_calls.h"
#include "serial/serial_port.h"
#include "tests/serial/fake_serial.h"
#include "tests/serial/framing_cases.h"
#include "tests/serial/host_steps.h"

namespace {

using namespace zid;
using fake::Dev;

SIZE_T gStackSize = 0;
LPVOID gThreadArgument = nullptr;
bool gCreateFails = false;

HANDLE WINAPI RecordingCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                    LPTHREAD_START_ROUTINE routine, LPVOID argument, DWORD flags,
                                    LPDWORD id) {
    gStackSize = stack;
    gThreadArgument = argument;
    if (gCreateFails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return ::CreateThread(security, stack, routine, argument, flags, id);
}

class ReceiverFake : public ::testing::Test {
protected:
    void SetUp() override {
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetTickPeriod(0);
        fake::Install();
        SerialCalls calls = SerialApi();
        calls.CreateThread = RecordingCreateThread;
        SetSerialCalls(&calls);
        gCreateFails = false;
        ctx = std::make_unique<ChannelContext>();
        const LineBlock line{9600, 8, 0, 0};
        PortHandle port = 0;
        ASSERT_EQ(ComOpen("COM21", &line, 0x4333, &port), kComOk);
        ComSetReadTimeout(port, 4);
        StorePort(*ctx, port);
        client = steps::MakeClient("SulVOR No_01");
        ASSERT_NE(client, 0);
        ctx->clientId = client;
        ctx->channel = 1;
    }

    void TearDown() override {
        if (started) {
            QelSimShutdownClient(client);
            EXPECT_TRUE(steps::WaitUntil([] { return !steps::Logs().empty() &&
                                                     steps::Logs().back() == steps::kShutDown; },
                                         15000));
        }
        fake::Uninstall();
    }

    void Start() {
        std::memset(ctx->message, 'Z', sizeof ctx->message);
        ASSERT_TRUE(StartReceiverThread(ctx.get()));
        started = true;
        ASSERT_TRUE(steps::WaitUntil([&] { return QelSimWaiting(client) == 1; }, 15000));
    }

    // Queues a script (bytes, and empty reads) at the fake device.
    void Queue(const std::vector<int>& script) {
        for (int v : script)
            Dev().arrivals.push_back(v == framing::kEmpty ? std::string()
                                                          : std::string(1, static_cast<char>(v)));
    }

    bool BufferCleared() const {
        for (int i = 0; i < kMaxLineLength; ++i)
            if (ctx->message[i] != 0) return false;
        return true;
    }

    std::unique_ptr<ChannelContext> ctx;
    uint8_t client = 0;
    bool started = false;
};

TEST_F(ReceiverFake, StartsWith32KStackLogsZeroesAndSettles) {
    Start();
    EXPECT_EQ(gStackSize, 32768u);
    EXPECT_EQ(gThreadArgument, ctx.get());
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{steps::kStart});
    EXPECT_EQ(Dev().sleeps, std::vector<DWORD>{1000});
    EXPECT_TRUE(BufferCleared());
    EXPECT_EQ(ctx->message[kMaxLineLength], 'Z');  // only the first 100 bytes are the thread's to zero
}

TEST_F(ReceiverFake, ThreadThatCannotStartIsReported) {
    gCreateFails = true;
    EXPECT_FALSE(StartReceiverThread(ctx.get()));
    EXPECT_EQ(gStackSize, 32768u);
}

TEST_F(ReceiverFake, EmptyQueueMeansNoReadAndNoLog) {
    Start();
    QelSimCallLogClear();
    StoreStatus(ctx->portDown, 1);
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_EQ(Dev().Count(fake::kClearCommError), 1);
    EXPECT_EQ(Dev().Count(fake::kReadFile), 0);
    EXPECT_TRUE(steps::Logs().empty());
    EXPECT_EQ(LoadStatus(ctx->portDown), 0) << "a port answering with nothing is not down";
}

TEST_F(ReceiverFake, FramingCasesOnePollEach) {
    Start();
    for (const framing::Case& c : framing::Cases()) {
        if (c.script.empty() || c.script.front() == framing::kEmpty) continue;  // nothing queued
        SCOPED_TRACE(c.name);
        Dev().arrivals.clear();
        Dev().reads.clear();
        Queue(c.script);
        QelSimCallLogClear();
        ASSERT_TRUE(steps::Poll(client));
        std::vector<std::string> expected = c.logs;
        if (!c.accepted) expected.push_back(steps::kIllegal);
        EXPECT_EQ(steps::Logs(), expected);
        EXPECT_EQ(Dev().reads.size(), c.reads);
        for (const fake::Read& r : Dev().reads) EXPECT_EQ(r.asked, 1u);
        EXPECT_TRUE(BufferCleared());
    }
}

TEST_F(ReceiverFake, OneLinePerTickAndOverlongRestIsNextLine) {
    Start();
    using framing::operator+;
    Queue(framing::Bytes("ONE") + framing::Nul() + framing::Bytes("TWO") + framing::Nul() +
          framing::Bytes(framing::Letters(100) + "XYZ") + framing::Nul());
    const std::vector<std::vector<std::string>> perPoll = {
        {framing::Read("ONE")}, {framing::Read("TWO")}, {steps::kIllegal}, {framing::Read("YZ")}, {}};
    for (const auto& expected : perPoll) {
        QelSimCallLogClear();
        ASSERT_TRUE(steps::Poll(client));
        EXPECT_EQ(steps::Logs(), expected);
    }
}

TEST_F(ReceiverFake, FailedQueueQueryCountsAsEmpty) {
    Start();
    Queue(framing::Bytes(std::string("ABC", 4)));
    Dev().failAt[fake::kClearCommError] = Dev().Count(fake::kClearCommError) + 1;
    QelSimCallLogClear();
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_EQ(Dev().Count(fake::kReadFile), 0);  // the queue count was garbage: not used
    EXPECT_TRUE(steps::Logs().empty());
    EXPECT_EQ(LoadStatus(ctx->portDown), 1) << "!C after the poll whose look failed";
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_EQ(steps::Logs(), std::vector<std::string>{framing::Read("ABC")});
    EXPECT_EQ(LoadStatus(ctx->portDown), 0) << "!C after the next poll, whose look succeeded";
}

TEST_F(ReceiverFake, PortHandleIsReadAfreshForEveryCall) {
    Start();
    const LineBlock line{9600, 8, 0, 0};
    PortHandle second = 0;
    ASSERT_EQ(ComOpen("COM22", &line, 0x4333, &second), kComOk);
    const PortHandle first = LoadPort(*ctx);

    // The host swaps the port between two polls.
    Queue(framing::Bytes(std::string("AB", 3)));
    StorePort(*ctx, second);
    Dev().handles.clear();
    ASSERT_TRUE(steps::Poll(client));
    for (HANDLE h : Dev().handles) EXPECT_EQ(h, ToWin32Handle(second));
    EXPECT_EQ(Dev().Count(fake::kReadFile), 3);

    // The host closes the port: every call now fails, and the thread lives on.
    EXPECT_EQ(ComClose(first), kComOk);
    EXPECT_EQ(ComClose(second), kComOk);
    StorePort(*ctx, 0);
    Queue(framing::Bytes(std::string("CD", 3)));
    QelSimCallLogClear();
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_TRUE(steps::Logs().empty());
    EXPECT_EQ(Dev().handles.back(), nullptr);
    EXPECT_EQ(LoadStatus(ctx->portDown), 1) << "no port in the context";
}

TEST_F(ReceiverFake, PortClosedInsideALine) {
    Start();
    // Two characters, then every read fails at once (a closed port).
    Queue(framing::Bytes("AB"));
    Dev().failFrom[fake::kReadFile] = Dev().Count(fake::kReadFile) + 3;
    QelSimCallLogClear();
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_EQ(steps::Logs(), (std::vector<std::string>{framing::kFailed, steps::kIllegal}));
    EXPECT_EQ(Dev().Count(fake::kReadFile), 2 + kMaxEmptyReadsInLine + 1);
}

TEST_F(ReceiverFake, ShutdownAfterASecondRemovesClientAndKeepsPort) {
    Start();
    QelSimCallLogClear();
    QelSimShutdownClient(client);
    ASSERT_TRUE(steps::WaitUntil([] { return steps::Logs() == std::vector<std::string>{steps::kShutDown}; },
                                 15000));
    started = false;
    EXPECT_EQ(Dev().sleeps, (std::vector<DWORD>{1000, 1000}));
    // QelRmClient with the channel's client id, before the last log line.
    const std::vector<QelSimCall> calls = steps::CallLog();
    int rm = -1, shut = -1;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].kind == kCallRmClient) {
            rm = static_cast<int>(i);
            EXPECT_EQ(calls[i].clientId, client);
        }
        if (calls[i].kind == kCallErr) shut = static_cast<int>(i);
    }
    EXPECT_GE(rm, 0);
    EXPECT_LT(rm, shut);
    EXPECT_EQ(Dev().Count(fake::kCloseHandle), 0);
    EXPECT_TRUE(Dev().IsOpen(ToWin32Handle(LoadPort(*ctx))));
}

}  // namespace
