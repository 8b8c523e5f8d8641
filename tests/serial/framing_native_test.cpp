// Line framing on its own, over a scripted byte source.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "panel/framing.h"
#include "standin/qelmar_sim.h"
#include "tests/serial/framing_cases.h"

namespace {

struct Port {
    zid::ChannelContext* context = nullptr;
    std::vector<int> script;
    size_t next = 0;
    bool badCall = false;
};
Port gPort;

std::vector<std::string> Logs() {
    std::vector<std::string> logs;
    for (uint32_t i = 0; i < QelSimCallLogCount(); ++i) {
        QelSimCall call{};
        if (QelSimCallLogGet(i, &call) == 0 && call.kind == kCallErr) {
            EXPECT_EQ(call.args[0], 32);
            logs.push_back(call.text);
        }
    }
    return logs;
}

bool ScriptedBytes(zid::ChannelContext* context, uint8_t* buffer, uint32_t count) {
    if (context != gPort.context || count != 1) gPort.badCall = true;
    if (gPort.next >= gPort.script.size()) return false;
    const int value = gPort.script[gPort.next++];
    if (value == framing::kEmpty) return false;
    *buffer = static_cast<uint8_t>(value);
    return true;
}

class FramingNative : public ::testing::Test {
protected:
    void SetUp() override {
        QelSimReset();
        QelSimSetLogEcho(0);
        context = std::make_unique<zid::ChannelContext>();
        gPort = Port{};
        gPort.context = context.get();
    }
    std::unique_ptr<zid::ChannelContext> context;
};

TEST_F(FramingNative, Cases) {
    for (const framing::Case& c : framing::Cases()) {
        SCOPED_TRACE(c.name);
        SetUp();
        gPort.script = c.script;
        EXPECT_EQ(zid::ReadPanelLine(context.get(), ScriptedBytes), c.accepted);
        EXPECT_FALSE(gPort.badCall);
        EXPECT_EQ(gPort.next, c.reads);
        EXPECT_EQ(Logs(), c.logs);
        if (c.accepted) {
            EXPECT_EQ(std::string(context->message), c.line);
        }
        // Nothing is ever written at or past the last byte but the NUL.
        EXPECT_EQ(context->message[zid::kMaxLineLength], '\0');
    }
}

using framing::operator+;

// The bound itself: a pause of three read timeouts (120 ms at the default
// 40 ms) keeps the line, and a port whose every read fails ends the line
// within ten reads.
TEST_F(FramingNative, BoundKeepsShortPausesAndEndsDeadPortsQuickly) {
    gPort.script = framing::Bytes("AB") + framing::Empties(3) + framing::Bytes("C") + framing::Nul();
    EXPECT_TRUE(zid::ReadPanelLine(context.get(), ScriptedBytes));
    EXPECT_STREQ(context->message, "ABC");
    SetUp();
    gPort.script = framing::Bytes("AB");
    EXPECT_FALSE(zid::ReadPanelLine(context.get(), ScriptedBytes));
    EXPECT_LE(gPort.next, 2u + 10u);
}

TEST_F(FramingNative, RestOfOverlongLineIsTheNextLine) {
    gPort.script = framing::Bytes(framing::Letters(100) + "XYZ") + framing::Nul();
    EXPECT_FALSE(zid::ReadPanelLine(context.get(), ScriptedBytes));
    std::memset(context->message, 0, 100);
    EXPECT_TRUE(zid::ReadPanelLine(context.get(), ScriptedBytes));
    EXPECT_STREQ(context->message, "YZ");  // the 101st character went with the rejected line
}

}  // namespace
