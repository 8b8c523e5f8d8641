// The channel port commands in the real driver code under Wine: the serial
// layer on the "NUL" device and on pty-backed COM ports, the stand-in host,
// and the receiver thread.
//
// The first group replaces thread creation by a stand-in that starts nothing
// (the commands are checked without a receiver reading the port) and wraps
// CreateFileA/CloseHandle to count opens and to refuse a second open of a
// device that is already open, as Windows does for COM ports (Wine does not).
// The second group runs on two pty lines with the receiver thread running.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "driver/dispatch.h"
#include "panel/receiver.h"
#include "serial/serial_calls.h"
#include "serial/serial_port.h"
#include "standin/qelmar_sim.h"
#include "tests/serial/host_steps.h"
#include "tools/common/line_composer.h"

namespace {

using namespace zid;
using Strings = std::vector<std::string>;

// --- Seams ---------------------------------------------------------------------

struct Devices {
    std::map<std::string, int> open;       // name -> handles open now
    std::map<HANDLE, std::string> names;
    int creates = 0;                       // CreateFileA calls
    bool exclusive = true;
} gDevices;

HANDLE WINAPI CountingCreateFileA(LPCSTR name, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE model) {
    ++gDevices.creates;
    if (gDevices.exclusive && gDevices.open[name] > 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = kWin32SerialCalls.CreateFileA(name, access, share, security, disposition, flags, model);
    if (h != INVALID_HANDLE_VALUE) {
        ++gDevices.open[name];
        gDevices.names[h] = name;
    }
    return h;
}

BOOL WINAPI CountingCloseHandle(HANDLE h) {
    auto it = gDevices.names.find(h);
    if (it != gDevices.names.end()) {
        --gDevices.open[it->second];
        gDevices.names.erase(it);
    }
    return kWin32SerialCalls.CloseHandle(h);
}

struct ThreadSeam {
    int calls = 0;
    SIZE_T stack = 0;
    bool fail = false;
} gThread;

// Starts no thread: hands back an event handle, which the caller closes.
HANDLE WINAPI NoThread(LPSECURITY_ATTRIBUTES, SIZE_T stack, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                       LPDWORD id) {
    ++gThread.calls;
    gThread.stack = stack;
    if (gThread.fail) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (id) *id = 0;
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

// The driver's log lines since the call log was last cleared.
Strings LogLines() {
    Strings out;
    const uint32_t n = QelSimCallLogCount();
    for (uint32_t i = 0; i < n; ++i) {
        QelSimCall call{};
        if (QelSimCallLogGet(i, &call) == 0 && call.kind == kCallErr) out.push_back(call.text);
    }
    return out;
}

bool Logged(const std::string& line) {
    for (const std::string& l : LogLines())
        if (l == line) return true;
    return false;
}

// --- Commands --------------------------------------------------------------------

struct Channel {
    std::unique_ptr<ChannelContext> ctx = std::make_unique<ChannelContext>();
    int32_t number = 3;

    Channel() { std::memset(ctx.get(), 0, sizeof *ctx); }

    int32_t Send(Command code, void* argument) {
        DriverRequest request{ctx.get(), CodeOf(code), number, 0, argument};
        return SulMain(&request);
    }
    int32_t Start(const char* name, int32_t enabled = 1, LineBlock line = {9600, 8, 0, 0}) {
        PortParams p{};
        std::memcpy(p.name, name, std::min(std::strlen(name), sizeof p.name));
        p.enabled = enabled;
        p.timeout = 4;
        p.line = line;
        return Send(Command::kStartChannel, &p);
    }
    int32_t Change(const char* name, uint16_t baud = 0) {
        PortChangeArgs a{};
        std::memcpy(a.name, name, std::min(std::strlen(name), sizeof a.name));
        a.line = {baud, 8, 0, 0};
        return Send(Command::kChangeSulParams, &a);
    }
    PortHandle Port() { return LoadPort(*ctx); }
    // A status word as the host reads it, through command 5.
    int Status(PointType type) {
        PointValue value{};
        PointReadArgs args{};
        args.pointType = static_cast<uint32_t>(type);
        args.valueOut = &value;
        return Send(Command::kReadPoint, &args) == kDone ? value.value : -1;
    }
};

struct Commands : ::testing::Test {
    void SetUp() override {
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetTickPeriod(0);
        gDevices = Devices{};
        gThread = ThreadSeam{};
        SerialCalls calls = kWin32SerialCalls;
        calls.CreateFileA = CountingCreateFileA;
        calls.CloseHandle = CountingCloseHandle;
        calls.CreateThread = NoThread;
        SetSerialCalls(&calls);
    }
    void TearDown() override { SetSerialCalls(nullptr); }
};

TEST_F(Commands, StartOnNul) {
    Channel ch;
    ch.ctx->count = 5;
    ASSERT_EQ(ch.Start("NUL", 1, {19200, 7, 2, 1}), 0);
    EXPECT_NE(ch.Port(), 0u);
    EXPECT_EQ(gDevices.open["NUL"], 1);
    EXPECT_EQ(ch.ctx->enabled, 1);
    EXPECT_EQ(ch.ctx->count, 0u);
    EXPECT_EQ(ch.ctx->channel, 3);
    EXPECT_EQ(ch.ctx->timeout, 4u);
    EXPECT_STREQ(ch.ctx->settings.name, "NUL");
    EXPECT_EQ(ch.ctx->settings.line.baud, 19200);
    EXPECT_EQ(ch.ctx->settings.lineFlags, 0x4333);
    const uint8_t client = QelSimFindClient("SulVOR No_03");
    EXPECT_NE(client, 0);
    EXPECT_EQ(ch.ctx->clientId, client);
    EXPECT_EQ(gThread.calls, 1);
    EXPECT_EQ(gThread.stack, 32768u);
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
}

TEST_F(Commands, StartFailures) {
    struct Case {
        const char* label;
        const char* port;
        int32_t enabled;
        bool clientFails;
        bool threadFails;
        int32_t result;
        const char* logLine;  // nullptr: nothing logged
        bool portOpen;
        bool clientMade;
    };
    const Case cases[] = {
        {"enabled 0", "NUL", 0, false, false, 0, nullptr, false, false},
        {"missing port", "\\\\.\\COM97", 1, false, false, 2,
         "SULZID-12 Fire Detection : Fail to open \\\\.\\COM97", false, false},
        {"client refused", "NUL", 1, true, false, 1, "SulVOR : Failed to make Client !!!", true,
         false},
        {"thread refused", "NUL", 1, false, true, 2,
         "SulVOR : Can Not open Unsolicetd thread !!!", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        QelSimFailMkClient(c.clientFails);
        gThread.fail = c.threadFails;
        Channel ch;
        ch.ctx->count = 7;
        EXPECT_EQ(ch.Start(c.port, c.enabled), c.result);
        EXPECT_EQ(ch.ctx->enabled, c.enabled);
        EXPECT_EQ(ch.Port() != 0, c.portOpen);
        EXPECT_EQ(ch.ctx->count, 7u) << "only a full start empties the table";
        EXPECT_EQ(QelSimFindClient("SulVOR No_03") != 0, c.clientMade);
        EXPECT_EQ(LogLines(), c.logLine ? Strings{c.logLine} : Strings{});
        if (c.enabled == 0) {
            EXPECT_EQ(gDevices.creates, 0);
        }
        EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
        EXPECT_EQ(gDevices.open["NUL"], 0);
        QelSimFailMkClient(0);
    }
}

TEST_F(Commands, PurgeCloseTwiceAndReopen) {
    Channel ch;
    EXPECT_EQ(ch.Send(Command::kPurgeChannel, nullptr), 0) << "purge with no port";
    ASSERT_EQ(ch.Start("NUL"), 0);
    EXPECT_EQ(ch.Send(Command::kPurgeChannel, nullptr), 0) << "purge on NUL, whose queue cannot be read";

    EXPECT_EQ(ch.Send(Command::kClosePortAlias, nullptr), 0);
    EXPECT_EQ(ch.Port(), 0u);
    EXPECT_EQ(gDevices.open["NUL"], 0);
    const int creates = gDevices.creates;
    EXPECT_EQ(ch.Send(Command::kClosePortAlias, nullptr), 0) << "second close finds port 0";
    EXPECT_EQ(ch.Send(Command::kPurgeChannel, nullptr), 0);

    ch.ctx->enabled = 0;
    EXPECT_EQ(ch.Send(Command::kReopenPort, nullptr), 0);
    EXPECT_EQ(gDevices.creates, creates + 1);
    EXPECT_NE(ch.Port(), 0u);
    EXPECT_EQ(ch.ctx->enabled, 1);
    EXPECT_EQ(gDevices.open["NUL"], 1);
    EXPECT_TRUE(LogLines().empty());
    EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
}

TEST_F(Commands, ChangeParameters) {
    // The same name while open on a device that allows several opens (as Wine
    // allows every device): no close, the device opened again, line kept.
    {
        gDevices.exclusive = false;
        Channel ch;
        ASSERT_EQ(ch.Start("NUL", 1, {19200, 7, 0, 0}), 0);
        EXPECT_EQ(ch.Change("NUL", 0), 0);
        EXPECT_EQ(gDevices.open["NUL"], 2) << "not closed first";
        EXPECT_EQ(ch.ctx->settings.line.baud, 19200);
        EXPECT_EQ(ch.ctx->settings.line.dataBits, 7);
        EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
    }
    // The same name while open: no close, and the second open is refused.
    {
        SetUp();
        Channel ch;
        ASSERT_EQ(ch.Start("NUL"), 0);
        const PortHandle old = ch.Port();
        EXPECT_EQ(ch.Change("NUL", 4800), 2);
        EXPECT_EQ(ch.Port(), old) << "the old port stays in use";
        EXPECT_EQ(gDevices.open["NUL"], 1);
        EXPECT_EQ(LogLines(), Strings{"SulVOR> ChangeSulParams() open new COM port failed"});
        EXPECT_EQ(ch.Send(Command::kPurgeChannel, nullptr), 0);
        EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
        EXPECT_EQ(gDevices.open["NUL"], 0) << "and is closed by code 11";
    }
    // A missing port: the old one is closed and the field holds no stale handle.
    {
        SetUp();
        Channel ch;
        ASSERT_EQ(ch.Start("NUL"), 0);
        EXPECT_EQ(ch.Change("\\\\.\\COM97", 0), 2);
        EXPECT_EQ(ch.Port(), 0u);
        EXPECT_EQ(gDevices.open["NUL"], 0);
        EXPECT_EQ(LogLines(), Strings{"SulVOR> ChangeSulParams() open new COM port failed"});
        const int creates = gDevices.creates;
        EXPECT_EQ(ch.Send(Command::kClosePortAlias, nullptr), 0);
        EXPECT_EQ(ch.Send(Command::kReopenPort, nullptr), 2) << "the stored name is the missing port now";
        EXPECT_EQ(gDevices.creates, creates + 1);
        EXPECT_EQ(ch.Port(), 0u);
    }
}

TEST_F(Commands, LongNamesAreRefused) {
    Channel ch;
    // Twelve characters fill PortParams' name field without a NUL.
    EXPECT_EQ(ch.Start("\\\\.\\COM12345"), 2);
    EXPECT_EQ(gDevices.creates, 0);
    EXPECT_EQ(ch.Port(), 0u);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_NE(LogLines()[0].find("\\\\.\\COM12345"), std::string::npos) << LogLines()[0];
    EXPECT_EQ(QelSimFindClient("SulVOR No_03"), 0);

    QelSimCallLogClear();
    ASSERT_EQ(ch.Start("NUL"), 0);
    const PortSettings before = ch.ctx->settings;
    const int creates = gDevices.creates;
    EXPECT_EQ(ch.Change("\\\\.\\COM1234567", 9600), 2);
    EXPECT_EQ(gDevices.creates, creates) << "nothing opened";
    EXPECT_EQ(gDevices.open["NUL"], 1) << "nothing closed";
    EXPECT_EQ(std::memcmp(&ch.ctx->settings, &before, sizeof before), 0);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_NE(LogLines()[0].find("\\\\.\\COM1234567"), std::string::npos) << LogLines()[0];
    EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
}

// --- On pty lines, with the receiver thread running ---------------------------------

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
std::string Device(const std::string& com) { return "\\\\.\\" + com; }

struct Panel {
    PortHandle port = 0;
    explicit Panel(const std::string& com) {
        const LineBlock line{9600, 8, 0, 0};
        if (ComOpen(Device(com).c_str(), &line, 0x4333, &port) != kComOk) port = 0;
    }
    ~Panel() {
        if (port) ComClose(port);
    }
    void Send(PanelEvent event, int line, int detector, int zone) {
        PanelLineFields f{};
        f.event = event;
        f.line = line;
        f.detector = detector;
        f.zone = zone;
        char text[kMessageBufferSize];
        const size_t n = ComposePanelLine(f, text, sizeof text);
        ASSERT_GT(n, 0u);
        uint32_t written = 0;
        ASSERT_EQ(ComWrite(port, text, static_cast<uint32_t>(n + 1), &written), kComOk);
    }
};

uint16_t Gate(const char* address) {
    RawGateValue raw{};
    return QelSimReadGate(3, address, &raw) == 0 ? raw.value : 0xFFFF;
}

bool WaitForGate(const char* address, uint16_t value, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (Gate(address) == value) return true;
        Sleep(10);
    }
    return false;
}

struct Lines : ::testing::Test {
    void SetUp() override {
        if (Env("ZID_LINE1_DRIVER").empty() || Env("ZID_LINE2_DRIVER").empty())
            GTEST_SKIP() << "no pty lines (run through cmake/pty-com.sh with ZID_PTY_LINES=2)";
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetTickPeriod(10);
    }
};

TEST_F(Lines, PortChangedAndReopenedWhileTheReceiverRuns) {
    Channel ch;
    Panel panel1(Env("ZID_LINE1_PANEL")), panel2(Env("ZID_LINE2_PANEL"));
    ASSERT_NE(panel1.port, 0u);
    ASSERT_NE(panel2.port, 0u);
    const std::string driver1 = Device(Env("ZID_LINE1_DRIVER"));
    const std::string driver2 = Device(Env("ZID_LINE2_DRIVER"));
    ASSERT_EQ(ch.Start(driver1.c_str(), 1, {19200, 8, 0, 0}), 0);
    for (const char* tag : {"031200", "000005", "020700"}) {
        QelSimDefineGate(3, tag);
        char text[32];
        std::strcpy(text, tag);
        TagAddressArgs args{};
        args.address = text;
        ASSERT_EQ(ch.Send(Command::kValidateAddress, &args), 0) << tag;
    }

    // Line 1 first.
    panel1.Send(PanelEvent::FireLine, 3, 12, 0);
    ASSERT_TRUE(WaitForGate("031200", 1)) << "first line on the first port";
    EXPECT_EQ(ch.Status(PointType::kStatusC), 0) << "the port answers";

    // Changed to line 2 while the thread runs: the next line decodes there.
    // Baud 0: only the name changes.
    ASSERT_EQ(ch.Change(driver2.c_str()), 0);
    EXPECT_STREQ(ch.ctx->settings.name, driver2.c_str());
    EXPECT_EQ(ch.ctx->settings.line.baud, 19200);
    panel2.Send(PanelEvent::FireZone, 0, 0, 5);
    ASSERT_TRUE(WaitForGate("000005", 1)) << "next line on the new port";
    // The old port is closed: what the panel writes there reaches nobody.
    panel1.Send(PanelEvent::FaultLine, 2, 7, 0);
    Sleep(300);
    EXPECT_EQ(Gate("020700"), 0);

    // Closed (code 11) and re-opened (code 13) while the thread runs: !C
    // follows at the very next tick, each way; the host ticks by hand here.
    QelSimSetTickPeriod(0);
    const uint8_t client = ch.ctx->clientId;
    ASSERT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
    EXPECT_EQ(ch.Port(), 0u);
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_EQ(ch.Status(PointType::kStatusC), 1) << "one tick after the close";
    ASSERT_TRUE(steps::Poll(client));  // a closed port is polled: nothing else happens
    EXPECT_EQ(ch.Status(PointType::kStatusC), 1);
    ASSERT_EQ(ch.Send(Command::kReopenPort, nullptr), 0);
    ASSERT_TRUE(steps::Poll(client));
    EXPECT_EQ(ch.Status(PointType::kStatusC), 0) << "one tick after the re-open";
    QelSimSetTickPeriod(10);
    panel2.Send(PanelEvent::FaultZone, 0, 0, 5);
    ASSERT_TRUE(WaitForGate("000005", 3)) << "next line after the re-open";

    // Changed to a port that is missing: no stale handle, nothing read.
    ASSERT_EQ(ch.Change("\\\\.\\COM97"), 2);
    EXPECT_EQ(ch.Port(), 0u);
    panel2.Send(PanelEvent::FaultLine, 2, 7, 0);
    Sleep(300);
    EXPECT_EQ(Gate("020700"), 0);
    EXPECT_EQ(ch.Status(PointType::kStatusC), 1) << "no port";

    // Back to line 2 by its name: the line that waited there is read now.
    ASSERT_EQ(ch.Change(driver2.c_str()), 0);
    EXPECT_TRUE(WaitForGate("020700", 2));
    EXPECT_EQ(ch.Status(PointType::kStatusC), 0);

    // The host shuts the client down; the thread ends and the port stays open.
    QelSimShutdownClient(ch.ctx->clientId);
    for (int i = 0; i < 300 && !Logged("SulVOR : ShutDown !"); ++i) Sleep(10);
    EXPECT_TRUE(Logged("SulVOR : ShutDown !"));
    EXPECT_NE(ch.Port(), 0u);
    EXPECT_EQ(ch.Send(Command::kClosePort, nullptr), 0);
}

}  // namespace
