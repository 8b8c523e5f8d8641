// The panel-line composer: the exact lines, refused fields, and the round
// trip composer -> decoder for random events and numbers.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "panel/decoder.h"
#include "panel_fixture.h"
#include "tools/common/line_composer.h"

namespace zid::test {
namespace {

std::string Compose(const PanelLineFields& f) {
    char out[kMessageBufferSize];
    const size_t n = ComposePanelLine(f, out, sizeof out);
    EXPECT_EQ(n, std::strlen(out));
    return std::string(out, n);
}

PanelLineFields Fields(PanelEvent e, int line, int detector, int zone, bool end = false) {
    PanelLineFields f{e};
    f.line = line;
    f.detector = detector;
    f.zone = zone;
    f.endMarker = end;
    f.hour = 10;
    f.minute = 15;
    f.second = 30;
    return f;
}

struct ComposeCase {
    const char* name;
    PanelLineFields fields;
    std::string expected;
};

const std::string kDet12Line03 = "12 " + kCpDetector + " 03 ";

const ComposeCase kComposeCases[] = {
    {"FireLine", Fields(PanelEvent::FireLine, 3, 12, 0), kHead + kDet12Line03 + kCpFireLine},
    {"FireLineNoDetector", Fields(PanelEvent::FireLine, 5, 0, 9), kHead + "05 " + kCpFireLine},
    {"FireZone", Fields(PanelEvent::FireZone, 1, 2, 7), kHead + "07 " + kCpFireZone},
    {"FaultLine", Fields(PanelEvent::FaultLine, 3, 12, 0), kHead + kDet12Line03 + kCpFaultLine},
    {"FaultLineEnd", Fields(PanelEvent::FaultLine, 3, 12, 0, true),
     kEndHead + kDet12Line03 + kCpFaultLine},
    {"FaultZone", Fields(PanelEvent::FaultZone, 0, 0, 11), kHead + "11 " + kCpFaultZone},
    {"EndOfLineFaultWithEnd", Fields(PanelEvent::FaultLineEnd, 3, 12, 0, true),
     kEndHead + kDet12Line03 + kCpFaultLineEnd},
    {"EndOfLineFaultWithoutEnd", Fields(PanelEvent::FaultLineEnd, 3, 12, 0),
     kHead + kDet12Line03 + kCpFaultLineEnd},
    {"FaultZoneEnd", Fields(PanelEvent::FaultZoneEnd, 0, 0, 7), kHead + "    07 " + kCpFaultZoneEnd},
    {"PowerFaultEnd", Fields(PanelEvent::PowerFaultEnd, 1, 1, 1), kHead + kCpPowerFaultEnd},
    {"PowerFault", Fields(PanelEvent::PowerFault, 0, 0, 0), kHead + kCpPowerFault},
    {"SounderSilenced", Fields(PanelEvent::SounderSilenced, 0, 0, 0), kHead + kCpSounderSilenced},
    {"TestEnd", Fields(PanelEvent::TestEnd, 0, 0, 0), kHead + kCpTestEnd},
    {"TestStart", Fields(PanelEvent::TestStart, 0, 0, 0), kHead + kCpTestStart},
    {"Reset", Fields(PanelEvent::Reset, 4, 4, 4), kHead.substr(0, 23) + "RESET"},
};

class ComposeTest : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeTest, WritesTheDocumentedLine) {
    ASSERT_EQ(29u, kHead.size());
    const ComposeCase& c = GetParam();
    const std::string line = Compose(c.fields);
    EXPECT_EQ(c.expected, line);
    EXPECT_LE(line.size(), 54u) << "nothing after the keyword window";
    for (char ch : line) {
        const auto b = static_cast<uint8_t>(ch);
        EXPECT_FALSE(b >= 0xE0 && b <= 0xFA) << "Windows-1255 letter in a code page 862 line";
    }
}

INSTANTIATE_TEST_SUITE_P(Events, ComposeTest, ::testing::ValuesIn(kComposeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ComposePanelLine, RefusesWhatItCannotWrite) {
    char out[kMessageBufferSize];
    const PanelLineFields good = Fields(PanelEvent::FireLine, 3, 12, 0);
    const std::string line = Compose(good);

    struct Case {
        const char* name;
        PanelLineFields fields;
        size_t size;
    } cases[] = {
        {"LineTooLarge", Fields(PanelEvent::FireLine, 100, 1, 0), sizeof out},
        {"NegativeDetector", Fields(PanelEvent::FireLine, 1, -1, 0), sizeof out},
        {"ZoneTooLarge", Fields(PanelEvent::FireZone, 0, 0, 100), sizeof out},
        {"UnusedNumberStillChecked", Fields(PanelEvent::TestStart, 0, 0, 123), sizeof out},
        {"NoSuchEvent", Fields(static_cast<PanelEvent>(99), 1, 1, 1), sizeof out},
        {"BufferOneShort", good, line.size()},
        {"NoBuffer", good, 0},
    };
    PanelLineFields badHour = good;
    badHour.hour = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(out, 'q', sizeof out);
        EXPECT_EQ(0u, ComposePanelLine(c.fields, out, c.size));
        if (c.size > 0) {
            EXPECT_EQ('\0', out[0]) << "a refused line leaves an empty string";
        }
        for (size_t i = c.size > 0 ? 1 : 0; i < sizeof out; ++i) ASSERT_EQ('q', out[i]);
    }
    EXPECT_EQ(0u, ComposePanelLine(badHour, out, sizeof out));
    EXPECT_EQ(line.size(), ComposePanelLine(good, out, line.size() + 1)) << "exact room is enough";
}

// ---------------------------------------------------------------------------
// Round trip: random events and numbers through the composer and the
// decoder give back the event's action on the right gate.

struct Expected {
    std::string gate;  // empty when the event addresses no gate
    uint8_t bit = 0;
    bool set = false;
    const char* effect;  // TFRS, as in the decoder tests
};

std::string Two(int v) {
    char s[3];
    std::snprintf(s, sizeof s, "%02d", v);
    return s;
}

Expected ExpectedFor(const PanelLineFields& f) {
    const std::string lineAddress = Two(f.line) + Two(f.detector) + "00";
    const std::string zoneAddress = "0000" + Two(f.zone);
    switch (f.event) {
        case PanelEvent::FireLine: return {lineAddress, 0, true, "--00"};
        case PanelEvent::FireZone: return {zoneAddress, 0, true, "--00"};
        case PanelEvent::FaultLine:
        case PanelEvent::FaultLineEnd:
            return f.endMarker ? Expected{lineAddress, 1, false, "-0-1"}
                               : Expected{lineAddress, 1, true, "-100"};
        case PanelEvent::FaultZone: return {zoneAddress, 1, true, "-100"};
        case PanelEvent::FaultZoneEnd: return {zoneAddress, 1, false, "-0-1"};
        case PanelEvent::PowerFaultEnd: return {"", 0, false, "-0-1"};
        case PanelEvent::PowerFault: return {"", 0, false, "-100"};
        case PanelEvent::SounderSilenced: return {"", 0, false, "---1"};
        case PanelEvent::TestEnd: return {"", 0, false, "0---"};
        case PanelEvent::TestStart: return {"", 0, false, "1---"};
        case PanelEvent::Reset: return {"", 0, false, "0011"};
    }
    return {"", 0, false, "????"};
}

class RoundTripTest : public PanelTest {};

TEST_F(RoundTripTest, RandomEventsComeBackThroughTheDecoder) {
    const uint32_t seed = 20261208;
    std::mt19937 random(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    SCOPED_TRACE(seed);

    for (int round = 0; round < 3000; ++round) {
        PanelLineFields f{static_cast<PanelEvent>(pick(0, 11))};
        f.line = pick(0, 99);
        f.detector = pick(0, 99);
        f.zone = pick(0, 99);
        f.endMarker = pick(0, 1) == 1;
        f.hour = pick(0, 23);
        f.minute = pick(0, 59);
        f.second = pick(0, 59);
        const Expected e = ExpectedFor(f);
        char out[kMessageBufferSize];
        ASSERT_GT(ComposePanelLine(f, out, sizeof out), 0u);
        SCOPED_TRACE(::testing::Message() << "round " << round << " event " << int(f.event)
                                          << " line " << f.line << " detector " << f.detector
                                          << " zone " << f.zone << " end " << f.endMarker);

        QelSimReset();
        QelSimSetLogEcho(0);
        PublishCount(*ctx_, 0);
        const auto before = static_cast<uint16_t>(pick(0, 0xFFFF));
        if (!e.gate.empty()) DefineGate(e.gate.c_str(), Raw(0, 0, before));
        if (f.event == PanelEvent::Reset) {
            DefineGate("010203", Raw(0, 0, before));
            DefineGate("000012", Raw(0, 0, 3));
            Register({"010203", "000012"});
        }
        uint16_t words[4];
        for (uint16_t& w : words) w = static_cast<uint16_t>(pick(0, 1));
        ctx_->status = StatusWords{words[0], words[1], words[2], words[3]};
        SetLine(out);
        QelSimCallLogClear();

        DecodePanelMessage(ctx_.get());

        const uint16_t after[4] = {ctx_->status.T, ctx_->status.F, ctx_->status.R,
                                   ctx_->status.S};
        for (int i = 0; i < 4; ++i) {
            const char x = e.effect[i];
            ASSERT_EQ(x == '-' ? words[i] : uint16_t(x - '0'), after[i]) << "TFRS"[i];
        }
        const auto calls = CallLog();
        if (!e.gate.empty()) {
            ASSERT_EQ(4u, calls.size());
            ASSERT_STREQ(e.gate.c_str(), calls[0].text);
            const uint16_t mask = uint16_t(1u << e.bit);
            const uint16_t want = e.set ? uint16_t(before | mask) : uint16_t(before & ~mask);
            ASSERT_EQ(want, GateValue(e.gate.c_str()));
        } else if (f.event == PanelEvent::Reset) {
            ASSERT_EQ(4u, calls.size());
            ASSERT_EQ(0, GateValue("010203"));
            ASSERT_EQ(0, GateValue("000012"));
        } else {
            ASSERT_TRUE(calls.empty());
        }
        ASSERT_TRUE(LogLines().empty());
    }
}

}  // namespace
}  // namespace zid::test
