// End to end under Wine on a pty pair (cmake/pty-com.sh): a channel
// started through the command table on the driver's COM port, with its real
// receiver thread, and the stand-in host ticking every few milliseconds.
// The test plays the panel on the other end.
//
//  - Garbage over the wire: 2000 random lines (every byte value, lengths 0 to
//    300, CR, LF and NUL anywhere), then a valid fire line. Every line the
//    driver logs is compared with a reference framing of the same bytes; the
//    driver neither crashes nor stalls, and the fire line sets its gate.
//  - Faults while the channel runs, each followed by a good line that must
//    decode: the port closed, re-opened and changed in the middle of a line
//    (commands 11, 13, 15), a purge in the middle of a line (command 2), host
//    lookups and writes failing (also during the reset walk), QelMkClient
//    failing and the receiver thread not starting for a second channel.
// The receiver-level cases with the serial layer alone are in tests/serial.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "driver/dispatch.h"
#include "host_abi/requests.h"
#include "panel/receiver.h"
#include "serial/serial_calls.h"
#include "serial/serial_port.h"
#include "standin/qelmar_sim.h"
#include "tools/common/line_composer.h"

namespace {

using namespace zid;

constexpr int32_t kChannel = 6;
constexpr int32_t kTimeout = 4;  // 40 ms
std::string gDriverCom, gPanelCom;

// --- The host's log, as the driver writes it -------------------------------
struct LogBook {
    std::mutex lock;
    std::vector<std::string> lines;
};
LogBook gLog;

void Sink(const char* line, void*) {
    std::lock_guard<std::mutex> guard(gLog.lock);
    gLog.lines.emplace_back(line);
}
size_t LogSize() {
    std::lock_guard<std::mutex> guard(gLog.lock);
    return gLog.lines.size();
}
std::vector<std::string> LogSince(size_t from) {
    std::lock_guard<std::mutex> guard(gLog.lock);
    return {gLog.lines.begin() + std::min(from, gLog.lines.size()), gLog.lines.end()};
}
size_t CountSince(size_t from, const std::string& prefix) {
    size_t n = 0;
    for (const std::string& l : LogSince(from)) n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
}

const std::string kRead = "SulVOR: PLC read this message: ";
const std::string kIllegal = "SulVOR : Got Illegal length Msg";
const std::string kFailed = "SulVOR: Failed to read a character from PLC";

template <class Pred>
bool WaitUntil(Pred pred, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!pred()) {
        if (GetTickCount64() > end) return false;
        Sleep(2);
    }
    return true;
}

std::string Device(const std::string& com) { return "\\\\.\\" + com; }

std::string Compose(PanelEvent event, int line, int detector, int zone) {
    PanelLineFields f{event};
    f.line = line;
    f.detector = detector;
    f.zone = zone;
    f.hour = 3;
    f.minute = 4;
    f.second = 5;
    char out[128];
    const size_t n = ComposePanelLine(f, out, sizeof out);
    return std::string(out, n);
}

std::string FireLine(int line, int detector) {
    return Compose(PanelEvent::FireLine, line, detector, 0) + std::string(1, '\0');
}

uint16_t Gate(const char* address) {
    RawGateValue raw{};
    if (QelSimReadGate(uint8_t(kChannel), address, &raw) != 0) return 0xFFFF;
    return raw.value;
}

// --- The channel, started as the host starts it -----------------------------
struct Channel {
    std::unique_ptr<ChannelContext> ctx = std::make_unique<ChannelContext>();
    int32_t Command(zid::Command code, void* argument, int32_t channel = kChannel) {
        DriverRequest r{ctx.get(), CodeOf(code), channel, 0, argument};
        return Dispatch(&r);
    }
    int32_t Start(const std::string& port, int32_t channel = kChannel) {
        PortParams p{};
        std::snprintf(p.name, sizeof p.name, "%s", port == "NUL" ? "NUL" : Device(port).c_str());
        p.enabled = 1;
        p.timeout = kTimeout;
        p.line = LineBlock{9600, 8, 0, 0};
        return Command(zid::Command::kStartChannel, &p, channel);
    }
    int32_t Register(const char* address) {
        char text[32];
        std::snprintf(text, sizeof text, "%s", address);
        TagAddressArgs a{};
        a.address = text;
        return Command(zid::Command::kValidateAddress, &a);
    }
    int32_t Change(const std::string& port) {
        PortChangeArgs a{};
        std::snprintf(a.name, sizeof a.name, "%s", Device(port).c_str());
        a.line = LineBlock{0, 0, 0, 0};  // baud 0: keep the stored line
        return Command(zid::Command::kChangeSulParams, &a);
    }
};

Channel* gChannel = nullptr;
HANDLE gPanel = INVALID_HANDLE_VALUE;  // the end the test writes to

void Write(HANDLE h, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 4096));
        ASSERT_TRUE(WriteFile(h, bytes.data() + done, chunk, &written, nullptr));
        ASSERT_GT(written, 0u);
        done += written;
    }
}

HANDLE OpenEnd(const std::string& com) {
    HANDLE h = CreateFileA(Device(com).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(h, &dcb);
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        SetCommState(h, &dcb);
    }
    return h;
}

// Sends a good fire line and waits for its gate's fire bit.
::testing::AssertionResult NextGoodLineDecodes(HANDLE end, int line, int detector) {
    char address[8];
    std::snprintf(address, sizeof address, "%02d%02d00", line, detector);
    QelSimWriteGateById(QelSimDefineGate(uint8_t(kChannel), address), RawGateValue{});
    const size_t mark = LogSize();
    DWORD written = 0;
    const std::string bytes = FireLine(line, detector);
    if (!WriteFile(end, bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return ::testing::AssertionFailure() << "could not write the line";
    if (!WaitUntil([&] { return (Gate(address) & 1) == 1; }, 10000)) {
        std::string log;
        for (const std::string& l : LogSince(mark)) log += "\n  " + l;
        return ::testing::AssertionFailure() << "gate " << address << " not set; log:" << log;
    }
    return ::testing::AssertionSuccess();
}

class WireE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetLogSink(Sink, nullptr);
        QelSimSetTickPeriod(2);
        gPanel = OpenEnd(gPanelCom);
        ASSERT_NE(gPanel, INVALID_HANDLE_VALUE) << gPanelCom;
        gChannel = new Channel;
        ASSERT_EQ(gChannel->Start(gDriverCom), kDone) << [] {
            std::string log;
            for (const std::string& l : LogSince(0)) log += "\n  " + l;
            return log;
        }();
        for (const char* a : {"120000", "031200", "000007", "010100", "050000"}) {
            QelSimDefineGate(uint8_t(kChannel), a);
            ASSERT_EQ(gChannel->Register(a), kDone);
        }
        // The thread settles for a second before its first look at the port.
        ASSERT_TRUE(WaitUntil([] { return QelSimWaiting(gChannel->ctx->clientId) == 1; }, 15000));
    }
    void SetUp() override {
        ASSERT_NE(gPanel, INVALID_HANDLE_VALUE);
        ASSERT_NE(LoadPort(*gChannel->ctx), 0u);
    }
    static ChannelContext& Ctx() { return *gChannel->ctx; }
    // True once the receiver has stored the first character of a line: it
    // is then in the middle of reading it. (A plain look at a buffer the
    // receiver writes; good enough for a test on x86.)
    static bool LineOpen() {
        return WaitUntil([] { return *static_cast<volatile char*>(Ctx().message) != 0; }, 5000);
    }
};

// The reference framing of a byte stream that arrives without pauses.
struct Framed {
    std::vector<std::string> accepted;
    size_t rejected = 0;
};
Framed Frame(const std::string& wire) {
    Framed f;
    std::string line;
    for (unsigned char b : wire) {
        if (b == '\r' || b == '\n') continue;
        if (b == 0) {  // a NUL before any character rejects the line
            if (line.empty()) ++f.rejected;
            else f.accepted.push_back(line);
            line.clear();
        } else if (line.size() == size_t(kMaxLineLength)) {
            // The 101st character rejects the line; it is consumed, and the
            // rest up to the NUL is read as a line of its own.
            ++f.rejected;
            line.clear();
        } else {
            line += char(b);
        }
    }
    return f;
}

TEST_F(WireE2E, GarbageThenAValidFireLine) {
    std::mt19937 rng(20261208);
    std::string wire;
    for (int i = 0; i < 2000; ++i) {
        const int length = int(rng() % 301);
        for (int k = 0; k < length; ++k) {
            const uint32_t r = rng() % 64;
            // Every byte value; CR, LF and NUL more often than chance.
            wire += r == 0 ? '\r' : r == 1 ? '\n' : r == 2 ? '\0' : char(rng() % 256);
        }
        wire += '\0';
    }
    const Framed expected = Frame(wire);
    ASSERT_EQ(Gate("120000") & 1, 0);
    const size_t mark = LogSize();
    const ULONGLONG start = GetTickCount64();
    Write(gPanel, wire + FireLine(12, 0));
    ASSERT_TRUE(WaitUntil([] { return (Gate("120000") & 1) == 1; }, 120000))
        << "the valid line after the garbage did not set its gate";
    const ULONGLONG elapsed = GetTickCount64() - start;

    // Every line is accounted for, in order.
    std::vector<std::string> read;
    size_t illegal = 0, failed = 0;
    for (const std::string& l : LogSince(mark)) {
        if (l.compare(0, kRead.size(), kRead) == 0) read.push_back(l.substr(kRead.size()));
        illegal += l == kIllegal;
        failed += l == kFailed;
    }
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read.back(), Compose(PanelEvent::FireLine, 12, 0, 0));
    read.pop_back();
    EXPECT_EQ(read.size(), expected.accepted.size());
    EXPECT_TRUE(read == expected.accepted) << "framed lines differ from the reference";
    EXPECT_EQ(illegal, expected.rejected);
    EXPECT_EQ(failed, 0u) << "a line stalled on the wire";
    std::printf("garbage: %zu bytes, %zu lines framed, %zu rejected, fire gate set after %llu ms\n",
                wire.size(), expected.accepted.size(), expected.rejected,
                static_cast<unsigned long long>(elapsed));
    // Still alive: back in its wait.
    EXPECT_TRUE(WaitUntil([] { return QelSimWaiting(Ctx().clientId) == 1; }, 5000));
}

// The port closed by the host (command 11) while a line is half read, then
// re-opened (command 13): the half line is given up, the next line decodes.
TEST_F(WireE2E, PortClosedAndReopenedMidLine) {
    const size_t mark = LogSize();
    Write(gPanel, ">>EVT: 03:04:05 ZID-12 ");
    ASSERT_TRUE(LineOpen());
    Sleep(10);
    ASSERT_EQ(gChannel->Command(zid::Command::kClosePort, nullptr), kDone);
    EXPECT_EQ(LoadPort(Ctx()), 0u);
    // The half line is given up once reads on the closed port fail.
    EXPECT_TRUE(WaitUntil([&] { return CountSince(mark, kIllegal) == 1; }, 5000));
    EXPECT_EQ(CountSince(mark, kFailed), 1u);
    EXPECT_EQ(CountSince(mark, kRead), 0u);
    Sleep(100);
    ASSERT_EQ(gChannel->Command(zid::Command::kReopenPort, nullptr), kDone);
    // Whatever of the half line is left is ended by a NUL of its own.
    Write(gPanel, std::string(1, '\0'));
    EXPECT_TRUE(NextGoodLineDecodes(gPanel, 3, 12));
}

// The port changed (command 15) in the middle of a line: the driver now
// reads the other end of the pty pair, and the test writes to its old one.
TEST_F(WireE2E, PortChangedMidLineThenBack) {
    const size_t mark = LogSize();
    Write(gPanel, ">>EVT: 03:04:05 ZI");
    ASSERT_TRUE(LineOpen());
    Sleep(10);
    CloseHandle(gPanel);
    ASSERT_EQ(gChannel->Change(gPanelCom), kDone);
    HANDLE other = OpenEnd(gDriverCom);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    Write(other, std::string(1, '\0'));
    // The open line either goes on on the new port (its end arrives there:
    // the usual case, as the read on the old port runs to its timeout while
    // the new one opens) or, on a slow machine, is given up while the field
    // is 0. Either way it ends, and nothing else is read from it.
    EXPECT_TRUE(WaitUntil([&] {
        return CountSince(mark, kRead + ">>EVT: 03:04:05 ZI") + CountSince(mark, kIllegal) >= 1;
    }, 5000));
    EXPECT_TRUE(NextGoodLineDecodes(other, 1, 1));
    // And back, the same way.
    CloseHandle(other);
    ASSERT_EQ(gChannel->Change(gDriverCom), kDone);
    gPanel = OpenEnd(gPanelCom);
    ASSERT_NE(gPanel, INVALID_HANDLE_VALUE);
    Write(gPanel, std::string(1, '\0'));
    EXPECT_TRUE(NextGoodLineDecodes(gPanel, 5, 0));
}

// A purge (command 2) while the thread reads a line.
TEST_F(WireE2E, PurgeMidLine) {
    Write(gPanel, ">>EVT: 03:04:05 ZID-12 ");
    ASSERT_TRUE(LineOpen());
    Write(gPanel, std::string(200, 'x'));
    EXPECT_EQ(gChannel->Command(zid::Command::kPurgeChannel, nullptr), kDone);
    Write(gPanel, std::string(1, '\0'));
    EXPECT_TRUE(NextGoodLineDecodes(gPanel, 12, 0));
}

// Host calls failing: the line is decoded, the failure logged, the thread
// goes on; the reset walk goes on past a gate it cannot find or write.
TEST_F(WireE2E, HostLookupsAndWritesFailing) {
    const size_t mark = LogSize();
    QelSimFailLookup("031200", 1);
    QelSimFailWrite("000007", 1);
    Write(gPanel, FireLine(3, 12));
    Write(gPanel, Compose(PanelEvent::FireZone, 0, 0, 7) + std::string(1, '\0'));
    ASSERT_TRUE(WaitUntil([&] { return CountSince(mark, "SulVOR : Can not write to gate 000007") == 1; },
                          10000));
    EXPECT_EQ(CountSince(mark, "SulVOR : Can not find gate 031200"), 1u);
    // A reset with both failing: the walk still clears every other gate.
    ASSERT_TRUE(NextGoodLineDecodes(gPanel, 1, 1));
    Write(gPanel, Compose(PanelEvent::Reset, 0, 0, 0) + std::string(1, '\0'));
    ASSERT_TRUE(WaitUntil([] { return LoadStatus(Ctx().status.R) == 1; }, 10000));
    EXPECT_EQ(Gate("010100"), 0);
    EXPECT_EQ(Gate("120000"), 0);
    EXPECT_GE(CountSince(mark, "SulVOR : Can not find gate 031200"), 2u);
    EXPECT_GE(CountSince(mark, "SulVOR : Can not write to gate 000007"), 2u);
    QelSimFailLookup("031200", 0);
    QelSimFailWrite("000007", 0);
    EXPECT_TRUE(NextGoodLineDecodes(gPanel, 3, 12));
}

// Thread creation through the serial layer's table, installed before any
// channel starts: it refuses while told to.
std::atomic<bool> gRefuseThreads{false};
HANDLE WINAPI RefusableCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                                    LPTHREAD_START_ROUTINE routine, LPVOID argument, DWORD flags,
                                    LPDWORD id) {
    if (gRefuseThreads) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return ::CreateThread(security, stack, routine, argument, flags, id);
}

// A second channel that cannot make its client, then one whose thread does
// not start: each is refused, and the running channel keeps decoding.
TEST_F(WireE2E, SecondChannelFailingToStart) {
    Channel second;
    QelSimFailMkClient(1);
    EXPECT_EQ(second.Start("NUL", kChannel + 1), kRefused);
    QelSimFailMkClient(0);
    EXPECT_EQ(second.Command(zid::Command::kClosePort, nullptr, kChannel + 1), kDone);
    EXPECT_TRUE(NextGoodLineDecodes(gPanel, 10, 40));

    gRefuseThreads = true;
    EXPECT_EQ(second.Start("NUL", kChannel + 1), kPortFailure);
    gRefuseThreads = false;
    EXPECT_EQ(second.Command(zid::Command::kClosePort, nullptr, kChannel + 1), kDone);
    EXPECT_TRUE(NextGoodLineDecodes(gPanel, 11, 39));
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
    SerialCalls calls = kWin32SerialCalls;
    calls.CreateThread = RefusableCreateThread;
    SetSerialCalls(&calls);
    return RUN_ALL_TESTS();
}
