// The channel port commands, through the command table, against fakes of the
// serial layer (its port calls and thread start) and of the host: results,
// log lines, the order of the steps and what the context holds afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/dispatch.h"
#include "tests/channel/fake_platform.h"

using fake::world;
using zid::ChannelContext;
using zid::Command;
using zid::PortChangeArgs;
using zid::PortParams;

namespace {

using Strings = std::vector<std::string>;

struct Channel : ::testing::Test {
    // Guard bytes after the context catch writes past its end.
    struct Guarded {
        ChannelContext ctx;
        unsigned char guard[64];
    };
    std::unique_ptr<Guarded> mem = std::make_unique<Guarded>();
    ChannelContext& ctx = mem->ctx;

    void SetUp() override {
        fake::Reset();
        std::memset(mem.get(), 0, sizeof(Guarded));
        std::memset(mem->guard, 0xA5, sizeof mem->guard);
        world().devices = {{"COM1", 0x101}, {"COM2", 0x202}, {"NUL", 0x30}};
    }
    void TearDown() override {
        for (unsigned char b : mem->guard) ASSERT_EQ(b, 0xA5);
    }

    int32_t Send(Command command, void* argument, int32_t channel = 3) {
        DriverRequest request{&ctx, zid::CodeOf(command), channel, 0, argument};
        return zid::Dispatch(&request);
    }

    static PortParams Params(const char* name, int32_t enabled = 1, int32_t timeout = 4) {
        PortParams p{};
        std::strncpy(p.name, name, sizeof p.name);
        p.enabled = enabled;
        p.timeout = timeout;
        p.line = {9600, 8, 0, 0};
        p.unused = 0x00150020;
        return p;
    }
    static PortChangeArgs Change(const char* name, uint16_t baud = 0) {
        PortChangeArgs a{};
        std::strncpy(a.name, name, sizeof a.name);
        a.line = {baud, 7, 2, 1};
        return a;
    }

    int32_t Start(const char* name) {
        PortParams p = Params(name);
        const int32_t r = Send(Command::kStartChannel, &p);
        world().calls.clear();
        world().log.clear();
        return r;
    }
};

TEST_F(Channel, StartRunsItsStepsInOrderAndCountIsClearedLast) {
    ctx.count = 17;
    ctx.clientId = 0;
    PortParams p = Params("COM1", 1, 25);
    p.line = {19200, 7, 2, 1};

    ASSERT_EQ(Send(Command::kStartChannel, &p, 0x1204), 0);

    EXPECT_EQ(fake::Kinds(), (Strings{"open", "timeout", "client", "thread"}));
    const auto& c = world().calls;
    EXPECT_EQ(c[0].name, "COM1");
    EXPECT_EQ(c[0].lineFlags, 0x4333);
    EXPECT_EQ(c[0].line.baud, 19200);
    EXPECT_EQ(c[0].line.dataBits, 7);
    EXPECT_EQ(c[0].line.stopBits, 2);
    EXPECT_EQ(c[0].line.parity, 1);
    EXPECT_EQ(c[1].port, 0x101u);
    EXPECT_EQ(c[1].value, 25);
    EXPECT_EQ(c[2].name, "SulVOR No_4612");
    EXPECT_EQ(c[2].args[0], 1);
    EXPECT_EQ(c[2].args[1], 0);
    EXPECT_EQ(c[3].countAtCall, 17u) << "the count is cleared after the thread starts";
    EXPECT_EQ(c[3].port, 0x101u) << "the thread finds the port in place";

    EXPECT_EQ(ctx.count, 0u);
    EXPECT_EQ(ctx.port, 0x101u);
    EXPECT_EQ(ctx.enabled, 1);
    EXPECT_EQ(ctx.timeout, 25u);
    EXPECT_EQ(ctx.channel, 0x04);
    EXPECT_EQ(ctx.clientId, 9);
    EXPECT_STREQ(ctx.settings.name, "COM1");
    EXPECT_EQ(ctx.settings.line.baud, 19200);
    EXPECT_EQ(ctx.settings.line.parity, 1);
    EXPECT_EQ(ctx.settings.lineFlags, 0x4333);
    EXPECT_TRUE(world().log.empty());
}

TEST_F(Channel, ClientNameCarriesTheChannelNumber) {
    struct Case {
        int32_t channel;
        const char* name;
        uint8_t stored;
    };
    const Case cases[] = {
        {0, "SulVOR No_00", 0},
        {7, "SulVOR No_07", 7},
        {99, "SulVOR No_99", 99},
        {256, "SulVOR No_256", 0},
        {-3, "SulVOR No_-03", 0xFD},
        {2147483647, "SulVOR No_214748364", 0xFF},  // cut at 19 characters
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.channel);
        fake::Reset();
        world().devices = {{"COM1", 0x101}};
        PortParams p = Params("COM1");
        ASSERT_EQ(Send(Command::kStartChannel, &p, k.channel), 0);
        ASSERT_EQ(world().calls.at(2).what, "client");
        EXPECT_EQ(world().calls[2].name, k.name);
        EXPECT_EQ(ctx.channel, k.stored);
    }
}

TEST_F(Channel, StartWithEnabledZeroTouchesNothingElse) {
    ctx.count = 5;
    ctx.clientId = 42;
    ctx.enabled = 1;
    PortParams p = Params("COM1", 0);
    EXPECT_EQ(Send(Command::kStartChannel, &p), 0);
    EXPECT_TRUE(world().calls.empty());
    EXPECT_EQ(ctx.enabled, 0);
    EXPECT_EQ(ctx.count, 5u);
    EXPECT_EQ(ctx.clientId, 42);
    EXPECT_EQ(ctx.port, 0u);
    EXPECT_EQ(ctx.settings.name[0], '\0');
}

TEST_F(Channel, StartFailuresStopAtTheirStep) {
    struct Case {
        const char* label;
        const char* port;
        uint16_t clientStatus;
        bool threadStarts;
        int32_t result;
        Strings calls;
        const char* logLine;
        uint32_t storedPort;
    };
    const Case cases[] = {
        {"missing port", "COM7", 0, true, 2, {"open"},
         "32|SULZID-12 Fire Detection : Fail to open COM7", 0},
        {"client refused", "COM1", 6, true, 1, {"open", "timeout", "client"},
         "32|SulVOR : Failed to make Client !!!", 0x101},
        {"thread refused", "COM1", 0, false, 2, {"open", "timeout", "client", "thread"},
         "32|SulVOR : Can Not open Unsolicetd thread !!!", 0x101},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        SetUp();
        ctx.count = 3;
        world().clientStatus = k.clientStatus;
        world().threadStarts = k.threadStarts;
        PortParams p = Params(k.port);
        EXPECT_EQ(Send(Command::kStartChannel, &p), k.result);
        EXPECT_EQ(fake::Kinds(), k.calls);
        EXPECT_EQ(world().log, Strings{k.logLine});
        EXPECT_EQ(ctx.port, k.storedPort) << "the port stays open after a later failure";
        EXPECT_EQ(ctx.enabled, 1);
        EXPECT_EQ(ctx.count, 3u) << "the table is only emptied by a full start";
    }
}

TEST_F(Channel, LongPortNamesAreRefusedWithoutOpeningAnything) {
    // Twelve characters fill the whole field of PortParams: no NUL is left.
    PortParams p = Params("");
    std::memcpy(p.name, "COM123456789", 12);
    ctx.count = 4;
    EXPECT_EQ(Send(Command::kStartChannel, &p), 2);
    EXPECT_TRUE(world().calls.empty());
    ASSERT_EQ(world().log.size(), 1u);
    EXPECT_NE(world().log[0].find("COM123456789"), std::string::npos) << world().log[0];
    EXPECT_EQ(world().log[0].rfind("32|SulVOR", 0), 0u);
    EXPECT_EQ(ctx.port, 0u);
    EXPECT_EQ(ctx.count, 4u);
    EXPECT_EQ(ctx.settings.name[0], '\0');
    EXPECT_EQ(ctx.settings.line.baud, 0);

    // Eleven characters still fit.
    fake::Reset();
    world().devices = {{"COM12345678", 0x77}};
    p = Params("COM12345678");
    EXPECT_EQ(Send(Command::kStartChannel, &p), 0);
    EXPECT_STREQ(ctx.settings.name, "COM12345678");
}

TEST_F(Channel, PurgeOnlyTouchesAnOpenPortAndAlwaysSucceeds) {
    EXPECT_EQ(Send(Command::kPurgeChannel, nullptr), 0);
    EXPECT_TRUE(world().calls.empty());

    ctx.port = 0x101;
    world().purgeFails = true;
    EXPECT_EQ(Send(Command::kPurgeChannel, nullptr), 0);
    ASSERT_EQ(fake::Kinds(), Strings{"purge"});
    EXPECT_EQ(world().calls[0].port, 0x101u);
}

TEST_F(Channel, CloseCodesElevenAndTwelve) {
    for (Command code : {Command::kClosePort, Command::kClosePortAlias}) {
        SCOPED_TRACE(zid::CodeOf(code));
        SetUp();
        EXPECT_EQ(Send(code, nullptr), 0) << "nothing open";
        EXPECT_TRUE(world().calls.empty());

        ctx.port = 0x101;
        world().closeFails = true;
        EXPECT_EQ(Send(code, nullptr), 2);
        EXPECT_EQ(ctx.port, 0x101u) << "a failed close keeps the handle";

        world().closeFails = false;
        EXPECT_EQ(Send(code, nullptr), 0);
        EXPECT_EQ(ctx.port, 0u);
        EXPECT_EQ(Send(code, nullptr), 0) << "second close finds port 0";
        EXPECT_EQ(fake::Kinds(), (Strings{"close", "close"}));
        EXPECT_TRUE(world().log.empty());
    }
}

TEST_F(Channel, ReopenUsesTheStoredSettingsAndKeepsTheFixedTimeout) {
    ASSERT_EQ(Start("COM1"), 0);
    ASSERT_EQ(Send(Command::kClosePortAlias, nullptr), 0);
    ctx.enabled = 0;
    world().devices["COM1"] = 0x111;
    world().calls.clear();

    EXPECT_EQ(Send(Command::kReopenPort, nullptr), 0);
    ASSERT_EQ(fake::Kinds(), Strings{"open"}) << "no timeout is applied on a re-open";
    EXPECT_EQ(world().calls[0].name, "COM1");
    EXPECT_EQ(world().calls[0].lineFlags, 0x4333);
    EXPECT_EQ(ctx.port, 0x111u);
    EXPECT_EQ(ctx.enabled, 1);

    // A re-open that fails: result 2, no log line, the field untouched.
    world().devices.clear();
    ctx.enabled = 0;
    EXPECT_EQ(Send(Command::kReopenPort, nullptr), 2);
    EXPECT_EQ(ctx.port, 0x111u);
    EXPECT_EQ(ctx.enabled, 0);
    EXPECT_TRUE(world().log.empty());
}

TEST_F(Channel, ReopenOfANeverStartedChannelFails) {
    EXPECT_EQ(Send(Command::kReopenPort, nullptr), 2);
    EXPECT_EQ(ctx.port, 0u);
}

TEST_F(Channel, ChangeParameters) {
    struct Case {
        const char* label;
        const char* newName;
        uint16_t baud;
        bool openPort;            // port open before the change
        bool newOpens;            // the device opens
        int32_t result;
        Strings calls;
        uint32_t portAfter;
        uint16_t baudAfter;
        bool logged;
    };
    const Case cases[] = {
        {"new port, new line", "COM2", 4800, true, true, 0, {"close", "open", "timeout"}, 0x202,
         4800, false},
        {"baud 0 changes only the name", "COM2", 0, true, true, 0, {"close", "open", "timeout"},
         0x202, 9600, false},
        {"same name while open: no close", "COM1", 0, true, true, 0, {"open", "timeout"}, 0x101,
         9600, false},
        {"same name, second open refused", "COM1", 0, true, false, 2, {"open"}, 0x101, 9600, true},
        {"missing port: no stale handle", "COM9", 0, true, false, 2, {"close", "open"}, 0,
         9600, true},
        {"closed port, new one opens", "COM2", 1200, false, true, 0, {"open", "timeout"}, 0x202,
         1200, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        SetUp();
        ASSERT_EQ(Start("COM1"), 0);
        if (!k.openPort) {
            ASSERT_EQ(Send(Command::kClosePort, nullptr), 0);
            world().calls.clear();
        }
        if (!k.newOpens) world().devices.erase(k.newName);
        ctx.enabled = 0;

        PortChangeArgs a = Change(k.newName, k.baud);
        EXPECT_EQ(Send(Command::kChangeSulParams, &a), k.result);
        EXPECT_EQ(fake::Kinds(), k.calls);
        EXPECT_EQ(ctx.port, k.portAfter);
        EXPECT_STREQ(ctx.settings.name, k.newName);
        EXPECT_EQ(ctx.settings.line.baud, k.baudAfter);
        EXPECT_EQ(ctx.settings.lineFlags, 0x4333) << "the line flags never change";
        if (k.result == 0) {
            EXPECT_EQ(ctx.enabled, 1);
            EXPECT_EQ(world().calls.back().value, 4) << "the stored timeout is applied";
            EXPECT_EQ(world().calls.back().port, k.portAfter);
        }
        if (k.baud != 0) {
            EXPECT_EQ(ctx.settings.line.dataBits, 7);
            EXPECT_EQ(ctx.settings.line.stopBits, 2);
            EXPECT_EQ(ctx.settings.line.parity, 1);
        }
        EXPECT_EQ(world().log,
                  k.logged ? Strings{"32|SulVOR> ChangeSulParams() open new COM port failed"}
                           : Strings{});
    }
}

TEST_F(Channel, ChangeWithANegativeBaudStillCopiesTheLine) {
    // The baud field is tested as a signed 16-bit value: only 0 keeps the line.
    ASSERT_EQ(Start("COM1"), 0);
    PortChangeArgs a = Change("COM2", 0x8000);
    EXPECT_EQ(Send(Command::kChangeSulParams, &a), 0);
    EXPECT_EQ(ctx.settings.line.baud, 0x8000);
}

TEST_F(Channel, ChangeToALongNameChangesNothing) {
    ASSERT_EQ(Start("COM1"), 0);
    const zid::PortSettings before = ctx.settings;

    for (const char* name : {"COM123456789", "\\\\.\\COM123456", "0123456789abcdef"}) {
        SCOPED_TRACE(name);
        world().calls.clear();
        world().log.clear();
        PortChangeArgs a{};
        std::memcpy(a.name, name, std::min<size_t>(std::strlen(name), sizeof a.name));
        a.line = {4800, 8, 0, 0};
        EXPECT_EQ(Send(Command::kChangeSulParams, &a), 2);
        EXPECT_TRUE(world().calls.empty()) << "nothing closed, nothing opened";
        ASSERT_EQ(world().log.size(), 1u);
        EXPECT_NE(world().log[0].find(std::string(name, std::min<size_t>(std::strlen(name), 16))),
                  std::string::npos)
            << world().log[0];
        EXPECT_EQ(ctx.port, 0x101u);
        EXPECT_EQ(std::memcmp(&ctx.settings, &before, sizeof before), 0);
        EXPECT_EQ(ctx.clientId, 9) << "the byte after the settings is untouched";
    }
}

}  // namespace
