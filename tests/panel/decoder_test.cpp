// The panel message decoder: keyword table, text helpers, every event's
// action, the windows, precedence and failures, against the stand-in host.
#include <gtest/gtest.h>

#include "panel/decoder.h"
#include "panel_fixture.h"

namespace zid::test {
namespace {

// ---------------------------------------------------------------------------
// The keyword table: order, events and the stored bytes.

struct KeywordRow {
    PanelEvent event;
    std::string stored;  // Windows-1255
    std::string panel;   // code page 862, as searched for
};

TEST(EventKeywordTable, HoldsTheStoredBytesInOrder) {
    const KeywordRow rows[kEventKeywordCount] = {
        {PanelEvent::FireLine, "\xE5\xF7\x20\x3A\xF9\xE0", kCpFireLine},
        {PanelEvent::FireZone, "\xF8\xE5\xE6\xE0\xE1\x20\xF9\xE0", kCpFireZone},
        {PanelEvent::FaultLine, "\xE5\xF7\x20\x3A\xE4\xEC\xF7\xFA", kCpFaultLine},
        {PanelEvent::FaultZone, "\xF8\xE5\xE6\xE0\xE1\x20\xE4\xEC\xF7\xFA", kCpFaultZone},
        {PanelEvent::FaultLineEnd, "\xE5\xF7\x20\x3A\xE4\xEC\xF7\xFA\x20\xED\xE5\xE9\xF1",
         kCpFaultLineEnd},
        {PanelEvent::FaultZoneEnd, "\xF8\xE5\xE6\xE0\x20\xE4\xEC\xF7\xFA\x20\xED\xE5\xE9\xF1",
         kCpFaultZoneEnd},
        {PanelEvent::PowerFaultEnd, "\xE7\xFA\xEE\x20\xFA\xEC\xF7\xFA\x20\xED\xE5\xE9\xF1",
         kCpPowerFaultEnd},
        {PanelEvent::PowerFault, "\xE7\xFA\xEE\x20\xFA\xEC\xF7\xFA", kCpPowerFault},
        {PanelEvent::SounderSilenced, "\xF8\xF4\xE5\xF6\x20\xFA\xF7\xFA\xF9\xE4",
         kCpSounderSilenced},
        {PanelEvent::TestEnd, "\xE8\xF1\xE8\x20\xED\xE5\xE9\xF1", kCpTestEnd},
        {PanelEvent::TestStart, "\xE8\xF1\xE8", kCpTestStart},
    };
    for (int i = 0; i < kEventKeywordCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].event, EventKeywordTable[i].event);
        EXPECT_EQ(rows[i].stored, std::string(EventKeywordTable[i].keyword));
        char converted[32];
        ToPanelCodePage(EventKeywordTable[i].keyword, converted);
        EXPECT_EQ(rows[i].panel, std::string(converted));
    }
}

// ---------------------------------------------------------------------------
// Text helpers.

struct CodePageCase {
    std::string source;
    std::string expected;
};

TEST(ToPanelCodePage, LowersOnlyTheHebrewLetters) {
    const CodePageCase cases[] = {
        {"", ""},
        {"\xE0", "\x80"},
        {"\xFA", "\x9A"},
        {"\xE0\xE1\xF0\xF9\xFA", "\x80\x81\x90\x99\x9A"},
        {"\xDF", "\xDF"},
        {"\xFB\xFC\xFD\xFE\xFF", "\xFB\xFC\xFD\xFE\xFF"},
        {"\x80\x9A\x7F", "\x80\x9A\x7F"},
        {"AZaz09 :!RESET", "AZaz09 :!RESET"},
        {"12 \xE5\xF7 :\xF9\xE0", "12 \x85\x97 :\x99\x80"},
    };
    for (const CodePageCase& c : cases) {
        SCOPED_TRACE(c.source);
        char out[40];
        std::memset(out, 0x55, sizeof out);
        ToPanelCodePage(c.source.c_str(), out);
        EXPECT_EQ(c.expected, std::string(out));
        EXPECT_EQ('\0', out[c.source.size()]);
        EXPECT_EQ(0x55, out[c.source.size() + 1]) << "nothing written after the NUL";
    }
}

TEST(ContainsText, FindsContiguousBytes) {
    struct Case {
        const char* text;
        const char* pattern;
        int found;
    } const cases[] = {
        {"", "", 0},
        {"", "a", 0},
        {"a", "", 1},
        {"abc", "abc", 1},
        {"abc", "c", 1},
        {"abc", "abcd", 0},
        {"aab", "ab", 1},        // a partial match at 0 is retried at 1
        {"abab c", "ab c", 1},
        {"ab", "ba", 0},
        {"RESE", "RESET", 0},
        {"xRESETx", "RESET", 1},
        {"xreset", "RESET", 0},  // no case folding
        {"\x85\x97\x20\x3A", "\x97\x20", 1},
        {"\xE5\xF7", "\x85\x97", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.pattern);
        EXPECT_EQ(c.found, ContainsText(c.text, c.pattern));
    }
}

TEST(FirstSpaceOffset, FindsTheFirstBlank) {
    EXPECT_EQ(0, FirstSpaceOffset(" abc"));
    EXPECT_EQ(2, FirstSpaceOffset("ab c d"));
    EXPECT_EQ(6, FirstSpaceOffset(kHead.c_str()));
    EXPECT_EQ(3, FirstSpaceOffset("\x85\x97\t \x80"));  // a tab is not a blank
    EXPECT_EQ(-1, FirstSpaceOffset("abc"));
    EXPECT_EQ(-1, FirstSpaceOffset(""));
}

// ---------------------------------------------------------------------------
// Every event's action.

// Status effect as "TFRS": '-' keeps the word, '0' or '1' writes it.
struct EventCase {
    const char* name;
    std::string line;
    const char* gate;      // gate written by SetGateBit, nullptr when none
    uint16_t gateBefore;
    uint16_t gateAfter;    // handed to QelCook and stored
    const char* effect;
};

const std::string kDet12Line03 = "12 " + kCpDetector + " 03 ";

const EventCase kEventCases[] = {
    {"FireLine", kHead + kDet12Line03 + kCpFireLine, "031200", 2, 3, "--00"},
    {"FireLineNoDetector", kHead + "05 " + kCpFireLine, "050000", 0, 1, "--00"},
    {"FireZone", kHead + "07 " + kCpFireZone, "000007", 2, 3, "--00"},
    {"FaultLine", kHead + kDet12Line03 + kCpFaultLine, "031200", 1, 3, "-100"},
    {"FaultLineWithEnd", kEndHead + kDet12Line03 + kCpFaultLine, "031200", 3, 1, "-0-1"},
    {"FaultZone", kHead + "07 " + kCpFaultZone, "000007", 0x100, 0x102, "-100"},
    {"FaultLineEndWithEnd", kEndHead + kDet12Line03 + kCpFaultLineEnd, "031200", 3, 1, "-0-1"},
    {"FaultLineEndWithEndNoDetector", kEndHead + "09 " + kCpFaultLineEnd, "090000", 2, 0,
     "-0-1"},
    {"FaultLineEndWithoutEnd", kHead + kDet12Line03 + kCpFaultLineEnd, "031200", 1, 3, "-100"},
    {"FaultZoneEnd", kHead + "    07 " + kCpFaultZoneEnd, "000007", 3, 1, "-0-1"},
    {"PowerFaultEnd", kHead + kCpPowerFaultEnd, nullptr, 0, 0, "-0-1"},
    {"PowerFault", kHead + kCpPowerFault, nullptr, 0, 0, "-100"},
    {"SounderSilenced", kHead + kCpSounderSilenced, nullptr, 0, 0, "---1"},
    {"TestEnd", kHead + kCpTestEnd, nullptr, 0, 0, "0---"},
    {"TestStart", kHead + kCpTestStart, nullptr, 0, 0, "1---"},
    {"Reset", kHead.substr(0, 23) + "RESET", nullptr, 0, 0, "0011"},
    {"ResetOverKeyword", kHead.substr(0, 23) + "RESET " + kDet12Line03 + kCpFireLine, nullptr, 0,
     0, "0011"},
    // Table order decides, not the place in the line.
    {"TableOrderNotPosition", kHead + kCpTestStart + " " + kCpPowerFault, nullptr, 0, 0, "-100"},
};

class EventTest : public PanelTest, public ::testing::WithParamInterface<EventCase> {
  protected:
    void Run(uint16_t start) {
        const EventCase& c = GetParam();
        for (uint16_t* w : {&ctx_->status.T, &ctx_->status.F, &ctx_->status.R, &ctx_->status.S})
            *w = start;
        SetLine(c.line);
        QelSimCallLogClear();
        DecodePanelMessage(ctx_.get());

        const uint16_t words[4] = {ctx_->status.T, ctx_->status.F, ctx_->status.R,
                                   ctx_->status.S};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE("TFRS"[i]);
            const char e = c.effect[i];
            EXPECT_EQ(e == '-' ? start : uint16_t(e - '0'), words[i]);
        }
    }
};

TEST_P(EventTest, ActsOnTheLine) {
    const EventCase& c = GetParam();
    const bool reset = std::string(c.effect) == "0011";
    if (reset) {
        DefineGate("031200", Raw(0, 0, 3));
        DefineGate("000007", Raw(0, 0, 2));
        Register({"031200", "000007"});
    }
    for (uint16_t start : {0, 1}) {
        SCOPED_TRACE(start);
        uint32_t id = 0;
        if (c.gate != nullptr) id = DefineGate(c.gate, Raw(0x11, 0x22, c.gateBefore));
        Run(start);
        const auto calls = CallLog();
        if (c.gate != nullptr) {
            ASSERT_EQ(4u, calls.size());
            EXPECT_EQ(kCallGetGateId, calls[0].kind);
            EXPECT_STREQ(c.gate, calls[0].text);
            EXPECT_EQ(kChannel, calls[0].channel);
            EXPECT_EQ(kCallGetRaw, calls[1].kind);
            EXPECT_EQ(kCallCook, calls[2].kind);
            EXPECT_EQ(c.gateAfter, calls[2].raw.value);
            EXPECT_EQ(0x11, calls[2].raw.host[0]);
            EXPECT_EQ(0x22, calls[2].raw.host[1]);
            EXPECT_EQ(kCallPutGateVal, calls[3].kind);
            EXPECT_EQ(id, calls[3].gateId);
            EXPECT_EQ(2, calls[3].args[0]);
            EXPECT_EQ(0, calls[3].args[1]);
            EXPECT_EQ(0, calls[3].args[2]);
            EXPECT_EQ(0, calls[3].status);
            EXPECT_EQ(c.gateAfter, GateValue(c.gate));
        } else if (reset) {
            ASSERT_EQ(4u, calls.size());
            EXPECT_STREQ("031200", calls[0].text);
            EXPECT_EQ(kCallPutGateVal, calls[1].kind);
            EXPECT_STREQ("000007", calls[2].text);
            EXPECT_EQ(kCallPutGateVal, calls[3].kind);
            EXPECT_EQ(0, GateValue("031200"));
            EXPECT_EQ(0, GateValue("000007"));
            DefineGate("031200", Raw(0, 0, 3));  // set again for the second round
        } else {
            EXPECT_TRUE(calls.empty()) << "no host call for " << c.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Events, EventTest, ::testing::ValuesIn(kEventCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Lines that carry no event: nothing changes, nothing is called or logged.

struct IgnoredCase {
    const char* name;
    std::string line;
};

class IgnoredLineTest : public PanelTest, public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(IgnoredLineTest, ChangesNothing) {
    DefineGate("031200", Raw(0, 0, 0));
    DefineGate("000007", Raw(0, 0, 0));
    Register({"031200", "000007"});
    ctx_->status = StatusWords{1, 0, 1, 0};
    SetLine(GetParam().line);
    QelSimCallLogClear();
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(0u, QelSimCallLogCount());
    EXPECT_EQ(1, ctx_->status.T);
    EXPECT_EQ(0, ctx_->status.F);
    EXPECT_EQ(1, ctx_->status.R);
    EXPECT_EQ(0, ctx_->status.S);
}

std::string At(int offset, const std::string& text, int tail = 0) {
    return std::string(offset, 'x') + text + std::string(tail, 'x');
}

std::string ToWindows1255(const std::string& cp862) {
    std::string s = cp862;
    for (char& c : s) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x80 && b <= 0x9A) c = static_cast<char>(b + 0x60);
    }
    return s;
}

const IgnoredCase kIgnoredCases[] = {
    {"Empty", ""},
    {"OnlyHead", kHead},
    {"LongestKeywordEndsAt54", At(41, kCpFaultZoneEnd, 5)},
    {"KeywordAfterWindow", At(60, kCpTestStart)},
    {"KeywordBeforeWindow", At(10, kCpTestStart, 30)},
    {"ResetCutByEndOfLine", At(23, "RESE")},
    {"FireLineInWindows1255", kHead + ToWindows1255(kDet12Line03 + kCpFireLine)},
    {"FireZoneInWindows1255", kHead + "07 " + ToWindows1255(kCpFireZone)},
    {"TestStartInWindows1255", kHead + ToWindows1255(kCpTestStart)},
    {"PowerFaultInWindows1255", kHead + ToWindows1255(kCpPowerFault)},
    {"SplitKeyword", kHead + "\x88\x91 \x88"},
};

INSTANTIATE_TEST_SUITE_P(Lines, IgnoredLineTest, ::testing::ValuesIn(kIgnoredCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Where the windows start and end, as seen through the test events.

struct WindowCase {
    const char* name;
    std::string line;
    uint16_t T;  // T starts at 0; TestStart sets it
    uint16_t R;  // R starts at 0; the reset sets it
};

class WindowTest : public PanelTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowTest, SeesTheWordOnlyInsideItsWindow) {
    const WindowCase& c = GetParam();
    SetLine(c.line);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(c.T, ctx_->status.T);
    EXPECT_EQ(c.R, ctx_->status.R);
}

const WindowCase kWindowCases[] = {
    {"KeywordAt28", At(28, kCpTestStart, 5), 0, 0},
    {"KeywordAt29", At(29, kCpTestStart, 5), 1, 0},
    {"KeywordEndsAt53", At(51, kCpTestStart, 5), 1, 0},
    {"KeywordEndsAt54", At(52, kCpTestStart, 5), 0, 0},
    {"KeywordEndsTheLine", At(29, kCpTestStart), 1, 0},
    {"ResetAt22", At(22, "RESET", 10) + kCpTestStart, 1, 0},
    {"ResetAt23", At(23, "RESET", 10) + kCpTestStart, 0, 1},
    {"ResetAt24", At(24, "RESET", 10) + kCpTestStart, 0, 1},
    {"ResetAt25", At(25, "RESET", 10) + kCpTestStart, 1, 0},
    {"ResetEndsA28CharacterLine", At(23, "RESET"), 0, 1},
    {"ResetLowerCase", At(23, "reset", 1) + kCpTestStart, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Windows, WindowTest, ::testing::ValuesIn(kWindowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PanelTest, LongestKeywordEndingAt53IsSeen) {
    ctx_->status.F = 1;
    SetLine(At(40, kCpFaultZoneEnd));
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(0, ctx_->status.F);
    EXPECT_EQ(1, ctx_->status.S);
}

// ---------------------------------------------------------------------------
// Precedence, the "END" marker, repetition and failures.

TEST_F(PanelTest, PowerFaultEndWinsOverPowerFault) {
    ctx_->status = StatusWords{0, 1, 1, 0};
    SetLine(kHead + kCpPowerFaultEnd);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(0, ctx_->status.F);
    EXPECT_EQ(1, ctx_->status.R) << "PowerFault would have cleared R";
    EXPECT_EQ(1, ctx_->status.S);
}

TEST_F(PanelTest, TestEndWinsOverTestStart) {
    ctx_->status.T = 1;
    SetLine(kHead + kCpTestEnd);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(0, ctx_->status.T);
}

TEST_F(PanelTest, EndMarkerMustBeExactlyAtTwoToFour) {
    const std::string tails = kDet12Line03 + kCpFaultLineEnd;
    const struct {
        std::string head;
        bool end;
    } cases[] = {
        {">>END: 10:15:30 ZID-12       ", true},
        {">>END  10:15:30 ZID-12       ", true},
        {">END:: 10:15:30 ZID-12       ", false},
        {">>>END 10:15:30 ZID-12       ", false},
        {">>end: 10:15:30 ZID-12       ", false},
        {">>ENX: 10:15:30 ZID-12       ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head);
        ASSERT_EQ(29u, c.head.size());
        DefineGate("031200", Raw(0, 0, 2));
        ctx_->status = StatusWords{0, c.end ? uint16_t(1) : uint16_t(0), 1, 0};
        SetLine(c.head + tails);
        DecodePanelMessage(ctx_.get());
        EXPECT_EQ(c.end ? 0 : 1, ctx_->status.F);
        EXPECT_EQ(c.end ? 1 : 0, ctx_->status.S);
        EXPECT_EQ(c.end ? 0 : 2, GateValue("031200"));
    }
}

// With "END", the digits come from offset 29 whatever the first blank says.
TEST_F(PanelTest, EndOfLineFaultReadsDigitsFrom29) {
    DefineGate("031200", Raw(0, 0, 3));
    SetLine("  END" + std::string(24, 'x') + kDet12Line03 + kCpFaultLineEnd);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(1, GateValue("031200"));
}

// Without "END", p follows the first blank: here at 1, so digits from 24.
TEST_F(PanelTest, FireDigitsFollowTheFirstBlank) {
    DefineGate("000042", Raw(0, 0, 0));
    SetLine("X " + std::string(22, 'x') + "42" + std::string(3, 'x') + "07 " + kCpFireZone);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(1, GateValue("000042"));
}

TEST_F(PanelTest, SameEventTwiceWritesTwice) {
    DefineGate("031200", Raw(0, 0, 0));
    SetLine(kHead + kDet12Line03 + kCpFireLine);
    QelSimCallLogClear();
    DecodePanelMessage(ctx_.get());
    DecodePanelMessage(ctx_.get());
    int puts = 0;
    for (const QelSimCall& c : CallLog()) puts += c.kind == kCallPutGateVal && c.status == 0;
    EXPECT_EQ(2, puts);
    EXPECT_EQ(1, GateValue("031200"));
}

TEST_F(PanelTest, GateFailuresDoNotStopTheStatusWrites) {
    // Not defined: the lookup fails.
    ctx_->status = StatusWords{0, 0, 1, 1};
    SetLine(kHead + kDet12Line03 + kCpFaultLine);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(std::vector<std::string>{"SulVOR : Can not find gate 031200"}, LogLines());
    EXPECT_EQ(1, ctx_->status.F);
    EXPECT_EQ(0, ctx_->status.R);
    EXPECT_EQ(0, ctx_->status.S);

    // Defined but refusing writes.
    DefineGate("000007", Raw(0, 0, 3));
    QelSimFailWrite("000007", 1);
    QelSimCallLogClear();
    SetLine(kHead + "    07 " + kCpFaultZoneEnd);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(std::vector<std::string>{"SulVOR : Can not write to gate 000007"}, LogLines());
    EXPECT_EQ(0, ctx_->status.F);
    EXPECT_EQ(1, ctx_->status.S);
}

TEST_F(PanelTest, ResetWithEmptyTableStillSetsTheWords) {
    ctx_->status = StatusWords{1, 1, 0, 0};
    SetLine(At(23, "RESET"));
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(0u, QelSimCallLogCount());
    EXPECT_EQ(0, ctx_->status.T);
    EXPECT_EQ(0, ctx_->status.F);
    EXPECT_EQ(1, ctx_->status.R);
    EXPECT_EQ(1, ctx_->status.S);
}

// A buffer without a NUL in its first 100 bytes is taken as a line of 100
// characters; nothing past the buffer is read.
TEST_F(PanelTest, UnterminatedBufferIsReadAsAFullLine) {
    DefineGate("031200", Raw(0, 0, 0));
    std::string line = kHead + kDet12Line03 + kCpFireLine;
    line.resize(kMessageBufferSize, '9');
    std::memcpy(ctx_->message, line.data(), kMessageBufferSize);
    DecodePanelMessage(ctx_.get());
    EXPECT_EQ(1, GateValue("031200"));
}

}  // namespace
}  // namespace zid::test
