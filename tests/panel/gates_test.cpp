// Gate bit updates against the stand-in host: composed addresses, the exact
// call sequence, the bit arithmetic, failures, and the reset walk.
#include <gtest/gtest.h>

#include <cstdio>

#include "panel/gates.h"
#include "panel_fixture.h"

namespace zid::test {
namespace {

class GatesTest : public PanelTest {};

// ---------------------------------------------------------------------------
// Address composition: the lookup made for a line, a start and a form.

struct AddressCase {
    const char* name;
    std::string line;
    int start;
    bool lineForm;
    const char* address;  // text handed to the lookup
};

class GateAddressTest : public PanelTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(GateAddressTest, LooksUpTheComposedAddress) {
    const AddressCase& c = GetParam();
    SetLine(c.line);
    SetGateBit(ctx_.get(), 0, true, c.start, c.lineForm);
    const auto calls = CallLog();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(kCallGetGateId, calls[0].kind);
    EXPECT_STREQ(c.address, calls[0].text);
    EXPECT_EQ(kClient, calls[0].clientId);
    EXPECT_EQ(kChannel, calls[0].channel);
    // No gate is defined: the failure names the same address.
    EXPECT_EQ(std::vector<std::string>{std::string("SulVOR : Can not find gate ") + c.address},
              LogLines());
}

//                            0         1         2
//                            0123456789012345678901234
const AddressCase kAddressCases[] = {
    {"ZoneForm", "xxxxx07 abcdefgh", 5, false, "000007"},
    {"LineFormWithDetector", "xxxxx12 abcde03 x", 5, true, "031200"},
    {"LineFormWithoutSecondPair", "xxxxx12 abcdefgh", 5, true, "120000"},
    {"ZoneFormIgnoresOffsetEight", "xxxxx07 abcde55", 5, false, "000007"},
    {"ZoneFormNonDigit", "xxxxxA7 abcdefgh", 5, false, "0000"},
    {"LineFormNonDigitNoSecondPair", "xxxxx-1 abcdefgh", 5, true, "0000"},
    {"LineFormNonDigitWithSecondPair", "xxxxx 1 abcde05 x", 5, true, "0500"},
    {"OnlyFirstCharacterTested", "xxxxx7 xabcdefgh", 5, false, "00007 "},
    {"SecondCharacterTakenWhatever", "xxxxx7Zxabcdefgh", 5, false, "00007Z"},
    {"PairCutAtEndOfLine", "xxxxx7", 5, false, "00007"},
    {"SecondPairCutAtEndOfLine", "xxxxx12 abcde3", 5, true, "31200"},
    {"StartAfterEndOfLine", "xxx", 5, false, "0000"},
    {"StartAfterEndOfLineLineForm", "xxx", 5, true, "0000"},
    {"HighBytesAreNotDigits", "xxxxx\xB0\xB1 abcdefgh", 5, false, "0000"},
};

INSTANTIATE_TEST_SUITE_P(Forms, GateAddressTest, ::testing::ValuesIn(kAddressCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Bytes after the line's NUL are not part of it, even if not zero.
TEST_F(GatesTest, StaleBytesAfterTheLineAreNotRead) {
    SetLine("xxxxx1");
    ctx_->message[6] = '\0';
    ctx_->message[7] = '9';
    ctx_->message[13] = '4';
    ctx_->message[14] = '4';
    SetGateBit(ctx_.get(), 0, true, 5, true);
    const auto calls = CallLog();
    ASSERT_FALSE(calls.empty());
    EXPECT_STREQ("10000", calls[0].text);
}

// ---------------------------------------------------------------------------
// The bit change and the calls that carry it.

struct BitCase {
    const char* name;
    uint8_t bit;
    bool set;
    uint16_t before;
    uint16_t cooked;  // value handed to QelCook and stored
};

class GateBitTest : public PanelTest, public ::testing::WithParamInterface<BitCase> {};

TEST_P(GateBitTest, ReadsChangesCooksAndWrites) {
    const BitCase& c = GetParam();
    const uint32_t id = DefineGate("000007", Raw(0xA5, 0x5A, c.before));
    SetLine("xxxxx07");
    QelSimCallLogClear();
    SetGateBit(ctx_.get(), c.bit, c.set, 5, false);

    const auto calls = CallLog();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ(kCallGetGateId, calls[0].kind);
    EXPECT_STREQ("000007", calls[0].text);

    EXPECT_EQ(kCallGetRaw, calls[1].kind);
    EXPECT_EQ(id, calls[1].gateId);
    EXPECT_EQ(0, calls[1].args[0]);
    EXPECT_EQ(kClient, calls[1].clientId);

    EXPECT_EQ(kCallCook, calls[2].kind);
    EXPECT_EQ(id, calls[2].gateId);
    EXPECT_EQ(0xA5, calls[2].raw.host[0]);
    EXPECT_EQ(0x5A, calls[2].raw.host[1]);
    EXPECT_EQ(c.cooked, calls[2].raw.value);

    EXPECT_EQ(kCallPutGateVal, calls[3].kind);
    EXPECT_EQ(id, calls[3].gateId);
    EXPECT_EQ(2, calls[3].args[0]);
    EXPECT_EQ(0, calls[3].args[1]);
    EXPECT_EQ(0, calls[3].args[2]);
    EXPECT_EQ(0, std::memcmp(&calls[2].cooked, &calls[3].cooked, sizeof(CookedValue)))
        << "the cooked value is passed on as QelCook made it";
    EXPECT_EQ(0, calls[3].status);

    RawGateValue after{};
    ASSERT_EQ(0, QelSimReadGate(kChannel, "000007", &after));
    EXPECT_EQ(c.cooked, after.value);
    EXPECT_EQ(0xA5, after.host[0]);
    EXPECT_EQ(0x5A, after.host[1]);
}

const BitCase kBitCases[] = {
    {"SetFireBit", 0, true, 2, 3},
    {"ClearFaultBit", 1, false, 3, 1},
    {"SetAlreadySetStillWrites", 0, true, 1, 1},
    {"ClearAlreadyClearStillWrites", 1, false, 0x8001, 0x8001},
    {"SetFaultBitKeepsHighByte", 1, true, 0xF000, 0xF002},
    {"SetTopBit", 15, true, 0x0001, 0x8001},
    {"ClearTopBit", 15, false, 0xFFFF, 0x7FFF},
};

INSTANTIATE_TEST_SUITE_P(Bits, GateBitTest, ::testing::ValuesIn(kBitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GatesTest, LookupFailureLogsAndTouchesNothing) {
    DefineGate("031200", Raw(0, 0, 0x10));
    QelSimFailLookup("031200", 1);
    SetLine("xxxxx12 abcde03");
    QelSimCallLogClear();
    SetGateBit(ctx_.get(), 0, true, 5, true);

    const auto calls = CallLog();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(kCallGetGateId, calls[0].kind);
    EXPECT_EQ(kCallErr, calls[1].kind);
    EXPECT_EQ(kLogLevel, calls[1].args[0]);
    EXPECT_STREQ("SulVOR : Can not find gate 031200", calls[1].text);
    EXPECT_EQ(0x10, GateValue("031200"));
}

TEST_F(GatesTest, WriteFailureIsLoggedAfterTheWrite) {
    DefineGate("000012", Raw(0, 0, 0));
    QelSimFailWrite("000012", 1);
    SetLine("xxxxx12");
    QelSimCallLogClear();
    SetGateBit(ctx_.get(), 1, true, 5, false);

    const auto calls = CallLog();
    ASSERT_EQ(5u, calls.size());
    EXPECT_EQ(kCallPutGateVal, calls[3].kind);
    EXPECT_NE(0, calls[3].status);
    EXPECT_EQ(kCallErr, calls[4].kind);
    EXPECT_EQ(kLogLevel, calls[4].args[0]);
    EXPECT_STREQ("SulVOR : Can not write to gate 000012", calls[4].text);
    EXPECT_EQ(0, GateValue("000012"));
}

// ---------------------------------------------------------------------------
// The reset walk.

struct WalkStep {
    int kind;
    const char* text;  // address looked up / written, or the log line
};

void ExpectWalk(const std::vector<WalkStep>& steps) {
    const auto calls = CallLog();
    ASSERT_EQ(steps.size(), calls.size());
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(steps[i].kind, calls[i].kind);
        EXPECT_STREQ(steps[i].text, calls[i].text);
        if (calls[i].kind == kCallGetGateId) {
            EXPECT_EQ(kClient, calls[i].clientId);
            EXPECT_EQ(kChannel, calls[i].channel);
        }
        if (calls[i].kind == kCallPutGateVal) {
            EXPECT_EQ(kClient, calls[i].clientId);
            EXPECT_EQ(2, calls[i].args[0]);
            EXPECT_EQ(0, calls[i].args[1]);
            EXPECT_EQ(0, calls[i].args[2]);
            static const CookedValue kZero{};
            EXPECT_EQ(0, std::memcmp(&calls[i].cooked, &kZero, sizeof(CookedValue)))
                << "zero goes to the host uncooked";
        }
        if (calls[i].kind == kCallErr) {
            EXPECT_EQ(kLogLevel, calls[i].args[0]);
        }
    }
}

TEST_F(GatesTest, ResetWalkWithEmptyTableCallsNothing) {
    ClearAllGates(ctx_.get());
    EXPECT_EQ(0u, QelSimCallLogCount());
}

TEST_F(GatesTest, ResetWalkWritesZeroToEveryGate) {
    DefineGate("010100", Raw(1, 2, 3));
    DefineGate("020200", Raw(0, 0, 0xFFFF));
    DefineGate("000005", Raw(0, 0, 2));
    Register({"010100", "020200", "000005"});
    QelSimCallLogClear();
    ClearAllGates(ctx_.get());
    ExpectWalk({{kCallGetGateId, "010100"}, {kCallPutGateVal, "010100"},
                {kCallGetGateId, "020200"}, {kCallPutGateVal, "020200"},
                {kCallGetGateId, "000005"}, {kCallPutGateVal, "000005"}});
    EXPECT_EQ(0, GateValue("010100"));
    EXPECT_EQ(0, GateValue("020200"));
    EXPECT_EQ(0, GateValue("000005"));
}

// A gate the host cannot find is logged and skipped; the walk goes on, so
// the gates after it are cleared too.
TEST_F(GatesTest, ResetWalkGoesOnPastAMissingGate) {
    DefineGate("010100", Raw(0, 0, 1));
    DefineGate("030300", Raw(0, 0, 1));
    Register({"010100", "020200", "030300"});
    QelSimCallLogClear();
    ClearAllGates(ctx_.get());
    ExpectWalk({{kCallGetGateId, "010100"}, {kCallPutGateVal, "010100"},
                {kCallGetGateId, "020200"}, {kCallErr, "SulVOR : Can not find gate 020200"},
                {kCallGetGateId, "030300"}, {kCallPutGateVal, "030300"}});
    EXPECT_EQ(0, GateValue("010100"));
    EXPECT_EQ(0, GateValue("030300"));
}

TEST_F(GatesTest, ResetWalkGoesOnPastAFailedWrite) {
    DefineGate("010100", Raw(0, 0, 1));
    DefineGate("020200", Raw(0, 0, 1));
    DefineGate("030300", Raw(0, 0, 1));
    QelSimFailWrite("020200", 1);
    Register({"010100", "020200", "030300"});
    QelSimCallLogClear();
    ClearAllGates(ctx_.get());
    ExpectWalk({{kCallGetGateId, "010100"}, {kCallPutGateVal, "010100"},
                {kCallGetGateId, "020200"}, {kCallPutGateVal, "020200"},
                {kCallErr, "SulVOR : Can not write to gate 020200"},
                {kCallGetGateId, "030300"}, {kCallPutGateVal, "030300"}});
    EXPECT_EQ(0, GateValue("010100"));
    EXPECT_EQ(1, GateValue("020200"));
    EXPECT_EQ(0, GateValue("030300"));
}

// A longer table with a gap every seventh entry: every gate the host knows
// is cleared, and each gap is logged once.
TEST_F(GatesTest, ResetWalkReachesTheEndOfALongTable) {
    std::vector<std::string> addresses;
    std::vector<std::string> expectedLog;
    for (int i = 0; i < 50; ++i) {
        char a[8];
        std::snprintf(a, sizeof a, "%02d%02d00", i % 13, i % 41);
        addresses.emplace_back(a);
        if (i % 7 == 3) {
            expectedLog.push_back(std::string("SulVOR : Can not find gate ") + a);
        } else {
            DefineGate(a, Raw(0, 0, 3));
        }
    }
    Register(addresses);
    QelSimCallLogClear();
    ClearAllGates(ctx_.get());
    EXPECT_EQ(expectedLog, LogLines());
    for (int i = 0; i < 50; ++i) {
        if (i % 7 != 3) {
            EXPECT_EQ(0, GateValue(addresses[i].c_str())) << addresses[i];
        }
    }
}

// The count is read before each entry: an address the host's thread
// registers while the walk runs is cleared as well.
TEST_F(GatesTest, ResetWalkSeesEntriesAppendedWhileItRuns) {
    DefineGate("010100", Raw(0, 0, 1));
    DefineGate("020200", Raw(0, 0, 1));
    Register({"010100"});
    struct Appender {
        GatesTest* test;
        bool done = false;
    } appender{this};
    QelSimSetGateSink(
        [](uint8_t, const char*, uint16_t, uint16_t, void* user) {
            auto* a = static_cast<Appender*>(user);
            if (a->done) return;
            a->done = true;
            a->test->Register({"020200"});
        },
        &appender);
    QelSimCallLogClear();
    ClearAllGates(ctx_.get());
    QelSimSetGateSink(nullptr, nullptr);
    EXPECT_EQ(0, GateValue("020200"));
    EXPECT_EQ(4u, QelSimCallLogCount());
}

// An entry that fills its 32 bytes without a NUL is cut to 31 characters
// instead of being read on into the next entry.
TEST_F(GatesTest, ResetWalkNeverReadsPastAnEntry) {
    std::memset(ctx_->addresses[0], '1', kAddressSize);
    std::strcpy(ctx_->addresses[1], "020200");
    PublishCount(*ctx_, 2);
    ClearAllGates(ctx_.get());
    const auto calls = CallLog();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(std::string(kAddressSize - 1, '1'), calls[0].text);
}

}  // namespace
}  // namespace zid::test
