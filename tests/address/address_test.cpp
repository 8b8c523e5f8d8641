// Tag address validation (command 3) and point reads (command 5), with guard
// bytes around the caller's text and around every record the driver writes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "address/address.h"
#include "driver/dispatch.h"
#include "standin/qelmar_sim.h"

namespace zid {
namespace {

constexpr unsigned char kGuard = 0xA5;
constexpr int32_t kKeep = -7777;  // pointType the "host" put there beforehand

std::unique_ptr<ChannelContext> NewContext() {
    auto ctx = std::make_unique<ChannelContext>();
    std::memset(ctx.get(), 0, sizeof(ChannelContext));
    ctx->clientId = 9;
    ctx->channel = 3;
    std::memset(ctx->message, 'm', sizeof ctx->message);
    return ctx;
}

// The caller's text, with guard bytes before it and after its terminator.
struct GuardedText {
    unsigned char before[16];
    char text[64];
    unsigned char after[16];

    explicit GuardedText(const std::string& s) {
        std::memset(this, kGuard, sizeof *this);
        std::memcpy(text, s.c_str(), s.size() + 1);
    }
};

// TagAddressArgs with guard bytes on both sides.
struct GuardedArgs {
    unsigned char before[16];
    TagAddressArgs args;
    unsigned char after[16];

    explicit GuardedArgs(char* address) {
        std::memset(this, kGuard, sizeof *this);
        args.address = address;
        args.pointType = kKeep;
    }
};

int32_t Call(Handler handler, ChannelContext* ctx, void* argument) {
    DriverRequest request{ctx, 0, ctx ? ctx->channel : 0, 0, argument};
    return handler(&request);
}

// --- Command 3, one address at a time --------------------------------------

struct ValidateCase {
    const char* name;
    std::string input;
    int32_t result;
    std::string textAfter;  // the caller's text afterwards
    int32_t pointType;      // kKeep: left as it was
    bool registers;
};

constexpr int32_t TypeCode(PointType type) { return static_cast<int32_t>(type); }

const ValidateCase kValidateCases[] = {
    {"status_t_lower", "!t", 0, "!T", TypeCode(PointType::kStatusT), false},
    {"status_f", "!f", 0, "!F", TypeCode(PointType::kStatusF), false},
    {"status_r", "!R", 0, "!R", TypeCode(PointType::kStatusR), false},
    {"status_s", "!s", 0, "!S", TypeCode(PointType::kStatusS), false},
    {"status_c", "!c", 0, "!C", TypeCode(PointType::kStatusC), false},
    {"status_other_letter", "!A", 0, "!A", kKeep, false},
    {"status_digit", "!5", 0, "!5", kKeep, false},
    {"status_high_byte_kept", "!\xE0", 0, "!\xE0", kKeep, false},
    {"status_7f_lowered", "!\x7F", 0, "!_", kKeep, false},
    {"status_doubled", "!TT", 1, "!TT", kKeep, false},
    {"status_bang_alone", "!", 1, "!", kKeep, false},
    {"gate_line_12", "120000", 0, "120000", 0, true},
    {"gate_all_limits", "124012", 0, "124012", 0, true},
    {"gate_zone_12", "000012", 0, "000012", 0, true},
    {"gate_all_zero", "000000", 0, "000000", 0, true},
    {"line_13", "130000", 1, "130000", kKeep, false},
    {"detector_41", "004100", 1, "004100", kKeep, false},
    {"zone_13", "000013", 1, "000013", kKeep, false},
    {"letter_in_line", "1a4000", 1, "1A4000", kKeep, false},
    {"blank_among_digits", "12 000", 1, "12 000", kKeep, false},
    {"seven_digits", "1200000", 1, "1200000", kKeep, false},
    {"five_digits", "12000", 1, "12000", kKeep, false},
    {"empty", "", 1, "", kKeep, false},
    {"braces_lowered", "ab{", 1, "AB[", kKeep, false},
    {"signed_field", "+10000", 1, "+10000", kKeep, false},
    {"thirty_one_chars", std::string(31, 'x'), 1, std::string(31, 'X'), kKeep, false},
    // Longer than the work buffer: refused, and upper-cased whole in place.
    {"forty_chars", "1200aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!t", 1,
     "1200AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA!T", kKeep, false},
    {"forty_digits", std::string(40, '0'), 1, std::string(40, '0'), kKeep, false},
};

class Validate : public ::testing::TestWithParam<ValidateCase> {};

TEST_P(Validate, ResultTextFieldsAndTable) {
    const ValidateCase& c = GetParam();
    auto ctx = NewContext();
    std::strcpy(ctx->addresses[0], "000101");  // one earlier registration
    ctx->count = 1;
    const auto ctxBefore = std::make_unique<ChannelContext>(*ctx);

    GuardedText text(c.input);
    GuardedArgs g(text.text);

    EXPECT_EQ(Call(ValidateAddress, ctx.get(), &g.args), c.result);

    // The caller's text: upper-cased in place, nothing else of its buffer moved.
    GuardedText expectText(c.input);
    std::memcpy(expectText.text, c.textAfter.c_str(), c.textAfter.size() + 1);
    EXPECT_EQ(std::string(text.text), c.textAfter);
    EXPECT_EQ(0, std::memcmp(&text, &expectText, sizeof text)) << "caller's buffer changed beyond its text";

    // The args record: only the fields that acceptance writes.
    GuardedArgs expectArgs(text.text);
    if (c.result == 0) {
        expectArgs.args.field16 = 0;
        expectArgs.args.field28 = 255;
        expectArgs.args.field32 = 16;
        expectArgs.args.pointType = c.pointType;
    }
    EXPECT_EQ(g.args.pointType, expectArgs.args.pointType);
    EXPECT_EQ(0, std::memcmp(&g, &expectArgs, sizeof g)) << "bytes of the args record changed";

    // The table: one new complete entry at the end, or nothing at all.
    auto expectCtx = std::make_unique<ChannelContext>(*ctxBefore);
    if (c.registers) {
        std::memcpy(expectCtx->addresses[1], c.textAfter.c_str(), 7);
        expectCtx->count = 2;
    }
    EXPECT_EQ(ctx->count, expectCtx->count);
    EXPECT_EQ(0, std::memcmp(ctx.get(), expectCtx.get(), sizeof(ChannelContext)))
        << "channel context changed beyond the new entry and the count";
}

INSTANTIATE_TEST_SUITE_P(Addresses, Validate, ::testing::ValuesIn(kValidateCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValidateAddress, SameGateTwiceTakesTwoEntries) {
    auto ctx = NewContext();
    for (int i = 0; i < 2; ++i) {
        char text[] = "120000";
        GuardedArgs g(text);
        ASSERT_EQ(Call(ValidateAddress, ctx.get(), &g.args), 0);
    }
    EXPECT_EQ(ctx->count, 2u);
    EXPECT_STREQ(ctx->addresses[0], "120000");
    EXPECT_STREQ(ctx->addresses[1], "120000");
}

TEST(ValidateAddress, FullTableRefusesAndChangesNothing) {
    auto ctx = NewContext();
    // Fill the table through the command itself, 20000 distinct gates.
    for (int i = 0; i < kAddressTableSize; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%02d%02d%02d", i % 13, (i / 13) % 41, (i / 533) % 13);
        GuardedArgs g(text);
        ASSERT_EQ(Call(ValidateAddress, ctx.get(), &g.args), 0) << text;
    }
    ASSERT_EQ(ctx->count, static_cast<uint32_t>(kAddressTableSize));
    const auto before = std::make_unique<ChannelContext>(*ctx);

    char gate[] = "120000";
    GuardedArgs g(gate);
    GuardedArgs untouched(gate);
    EXPECT_EQ(Call(ValidateAddress, ctx.get(), &g.args), 1);
    EXPECT_EQ(0, std::memcmp(&g, &untouched, sizeof g));
    EXPECT_EQ(0, std::memcmp(ctx.get(), before.get(), sizeof(ChannelContext)));
    EXPECT_EQ(ExplainTagRefusal("120000", ctx->count), TagRefusal::kTableFull);

    // A status address needs no room and is still accepted.
    char status[] = "!t";
    GuardedArgs s(status);
    EXPECT_EQ(Call(ValidateAddress, ctx.get(), &s.args), 0);
    EXPECT_EQ(s.args.pointType, TypeCode(PointType::kStatusT));
    EXPECT_EQ(0, std::memcmp(ctx.get(), before.get(), sizeof(ChannelContext)));
}

TEST(ValidateAddress, CountBeyondTableIsRefused) {
    auto ctx = NewContext();
    ctx->count = 0xFFFFFFFFu;  // a corrupt context must not send a write astray
    const auto before = std::make_unique<ChannelContext>(*ctx);
    char gate[] = "000000";
    GuardedArgs g(gate);
    EXPECT_EQ(Call(ValidateAddress, ctx.get(), &g.args), 1);
    EXPECT_EQ(0, std::memcmp(ctx.get(), before.get(), sizeof(ChannelContext)));
}

// --- The helpers --------------------------------------------------------------

TEST(UpperCaseAddress, EveryByteValue) {
    for (int b = 1; b < 256; ++b) {
        const char text[2] = {static_cast<char>(b), '\0'};
        char work[kAddressWorkSize];
        ASSERT_EQ(UpperCaseAddress(text, work), 1u);
        const int expect = (b >= 0x61 && b <= 0x7F) ? b - 0x20 : b;
        EXPECT_EQ(static_cast<unsigned char>(work[0]), expect) << "byte " << b;
        EXPECT_EQ(work[1], '\0');
    }
}

TEST(UpperCaseAddress, NeverWritesPastTheWorkBuffer) {
    struct {
        char work[kAddressWorkSize];
        unsigned char after[16];
    } g;
    for (size_t len : {0u, 30u, 31u, 32u, 40u, 200u}) {
        std::memset(&g, kGuard, sizeof g);
        const std::string text(len, 'q');
        EXPECT_EQ(UpperCaseAddress(text.c_str(), g.work), len);
        const size_t kept = len < 31 ? len : 31;
        EXPECT_EQ(std::string(g.work), std::string(kept, 'Q'));
        for (unsigned char b : g.after) ASSERT_EQ(b, kGuard) << "length " << len;
    }
}

TEST(LengthIfAllInSet, Cases) {
    struct {
        const char* set;
        const char* text;
        size_t expect;
    } cases[] = {
        {"0123456789", "12", 2},   {"0123456789", "123", 3}, {"0123456789", "", 0},
        {"0123456789", "1a", 0},   {"0123456789", " 1", 0},  {"0123456789", "-1", 0},
        {"ab", "abba", 4},         {"ab", "abc", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(LengthIfAllInSet(c.set, c.text), c.expect) << c.text;
}

TEST(CheckTwoDigitField, Cases) {
    struct {
        const char* text;
        int limit;
        bool expect;
    } cases[] = {
        {"00", 12, true}, {"12", 12, true},  {"13", 12, false}, {"40", 40, true},
        {"41", 40, false}, {"", 12, true},   {"1", 12, false},  {"012", 12, false},
        {"1A", 12, false}, {" 1", 12, false}, {"99", 99, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckTwoDigitField(c.text, c.limit), c.expect) << c.text << " <= " << c.limit;
    }
}

TEST(ExplainTagRefusal, ReasonsInFieldOrder) {
    struct {
        const char* text;
        uint32_t count;
        TagRefusal expect;
    } cases[] = {
        {"!t", 0, TagRefusal::kAccepted},
        {"!t", 20000, TagRefusal::kAccepted},
        {"120000", 0, TagRefusal::kAccepted},
        {"120000", 19999, TagRefusal::kAccepted},
        {"120000", 20000, TagRefusal::kTableFull},
        {"130000", 0, TagRefusal::kLineAbove12},
        {"134113", 20000, TagRefusal::kLineAbove12},  // first failing field wins
        {"004113", 0, TagRefusal::kDetectorAbove40},
        {"000013", 0, TagRefusal::kZoneAbove12},
        {"1a4100", 0, TagRefusal::kBadForm},
        {"13410a", 0, TagRefusal::kLineAbove12},
        {"!TT", 0, TagRefusal::kBadForm},
        {"", 0, TagRefusal::kBadForm},
        {"1200000000000000000000000000000000000000", 0, TagRefusal::kBadForm},
        {nullptr, 0, TagRefusal::kBadForm},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExplainTagRefusal(c.text, c.count), c.expect) << (c.text ? c.text : "(null)");
    }
    EXPECT_STREQ(TagRefusalText(TagRefusal::kBadForm), "bad form");
    EXPECT_STREQ(TagRefusalText(TagRefusal::kLineAbove12), "line above 12");
    EXPECT_STREQ(TagRefusalText(TagRefusal::kDetectorAbove40), "detector above 40");
    EXPECT_STREQ(TagRefusalText(TagRefusal::kZoneAbove12), "zone above 12");
    EXPECT_STREQ(TagRefusalText(TagRefusal::kTableFull), "table full");
}

// The explanation agrees with the command for every case it answers.
TEST(ExplainTagRefusal, AgreesWithCommand3) {
    for (const ValidateCase& c : kValidateCases) {
        auto ctx = NewContext();
        GuardedText text(c.input);
        GuardedArgs g(text.text);
        const int32_t result = Call(ValidateAddress, ctx.get(), &g.args);
        EXPECT_EQ(result == 0, ExplainTagRefusal(c.input.c_str()) == TagRefusal::kAccepted)
            << c.name;
    }
}

// --- Command 5 --------------------------------------------------------------

struct GuardedPoint {
    unsigned char before[16];
    PointValue value;
    unsigned char after[16];
};

struct GuardedRead {
    unsigned char before[16];
    PointReadArgs args;
    unsigned char after[16];
};

void PrepareRead(GuardedRead& r, GuardedPoint& p, uint32_t pointType, uint32_t gateId) {
    std::memset(&r, kGuard, sizeof r);
    std::memset(&p, kGuard, sizeof p);
    r.args.pointType = pointType;
    r.args.gateId = gateId;
    r.args.valueOut = &p.value;
    p.value.host[0] = 0x5A;
    p.value.host[1] = 0xC3;
    p.value.value = 0xBEEF;
}

constexpr uint32_t Type(PointType type) { return static_cast<uint32_t>(TypeCode(type)); }

TEST(ReadPoint, StatusWordsAndRefusedTypes) {
    struct {
        uint32_t pointType;
        int32_t result;
        uint16_t value;  // expected when result is 0
    } cases[] = {
        {Type(PointType::kStatusT), 0, 0x1111}, {Type(PointType::kStatusF), 0, 0x2222},
        {Type(PointType::kStatusR), 0, 0x3333}, {Type(PointType::kStatusS), 0, 0x4444},
        {Type(PointType::kStatusC), 0, 0x5555},
        {1, 1, 0},       {69, 1, 0},      {85, 1, 0},      {71, 1, 0},
        {255, 1, 0},     {0x100 + 84, 1, 0}, {0xFFFFFFFFu, 1, 0},
    };
    auto ctx = NewContext();
    ctx->status = {0x1111, 0x2222, 0x3333, 0x4444};  // T, F, R, S
    ctx->portDown = 0x5555;                           // C
    const auto ctxBefore = std::make_unique<ChannelContext>(*ctx);
    QelSimReset();
    for (const auto& c : cases) {
        GuardedRead r;
        GuardedPoint p;
        PrepareRead(r, p, c.pointType, 1234);
        GuardedRead rBefore = r;
        GuardedPoint expect = p;
        if (c.result == 0) expect.value.value = c.value;

        EXPECT_EQ(Call(ReadPoint, ctx.get(), &r.args), c.result) << c.pointType;
        EXPECT_EQ(p.value.value, expect.value.value) << c.pointType;
        EXPECT_EQ(0, std::memcmp(&p, &expect, sizeof p)) << c.pointType;
        EXPECT_EQ(0, std::memcmp(&r, &rBefore, sizeof r)) << c.pointType;
    }
    EXPECT_EQ(0, std::memcmp(ctx.get(), ctxBefore.get(), sizeof(ChannelContext)));
    EXPECT_EQ(QelSimCallLogCount(), 0u) << "a status read must not call the host";
}

TEST(ReadPoint, GateWordArrivesUnchangedHostBytesStay) {
    QelSimReset();
    auto ctx = NewContext();
    const uint32_t id = QelSimDefineGate(ctx->channel, "120000");
    ASSERT_NE(id, 0u);
    RawGateValue raw{{0x11, 0x22}, 0xA55A};
    ASSERT_EQ(QelSimWriteGateById(id, raw), 0);
    QelSimCallLogClear();

    GuardedRead r;
    GuardedPoint p;
    PrepareRead(r, p, 0, id);
    GuardedPoint expect = p;
    expect.value.value = 0xA55A;
    EXPECT_EQ(Call(ReadPoint, ctx.get(), &r.args), 0);
    EXPECT_EQ(p.value.value, 0xA55A);
    EXPECT_EQ(p.value.host[0], 0x5A);
    EXPECT_EQ(p.value.host[1], 0xC3);
    EXPECT_EQ(0, std::memcmp(&p, &expect, sizeof p));

    ASSERT_EQ(QelSimCallLogCount(), 1u);
    QelSimCall call{};
    ASSERT_EQ(QelSimCallLogGet(0, &call), 0);
    EXPECT_EQ(call.kind, kCallGetRaw);
    EXPECT_EQ(call.clientId, 9);
    EXPECT_EQ(call.gateId, id);
    EXPECT_EQ(call.args[0], 0);
}

// Leaves a recognisable pattern in the stack area the next call will use.
[[gnu::noinline]] void DirtyStack() {
    volatile unsigned char junk[4096];
    for (auto& b : junk) b = 0xEE;
}

TEST(ReadPoint, FailedRawReadGivesZero) {
    QelSimReset();
    auto ctx = NewContext();
    GuardedRead r;
    GuardedPoint p;
    PrepareRead(r, p, 0, 0x7777);  // no such gate: the host call fails
    GuardedPoint expect = p;
    expect.value.value = 0;
    DirtyStack();
    EXPECT_EQ(Call(ReadPoint, ctx.get(), &r.args), 0);
    EXPECT_EQ(p.value.value, 0);
    EXPECT_EQ(0, std::memcmp(&p, &expect, sizeof p));
}

// Through the entry point's table as the host reaches them.
TEST(Dispatch, Codes3And5ReachTheirHandlers) {
    auto ctx = NewContext();
    char text[] = "!s";
    GuardedArgs g(text);
    DriverRequest validate{ctx.get(), CodeOf(Command::kValidateAddress), 3, 0, &g.args};
    EXPECT_EQ(Dispatch(&validate), 0);
    EXPECT_EQ(g.args.pointType, TypeCode(PointType::kStatusS));

    ctx->status.S = 1;
    GuardedRead r;
    GuardedPoint p;
    PrepareRead(r, p, static_cast<uint32_t>(g.args.pointType), 0);
    DriverRequest read{ctx.get(), CodeOf(Command::kReadPoint), 3, 0, &r.args};
    EXPECT_EQ(Dispatch(&read), 0);
    EXPECT_EQ(p.value.value, 1);
}

}  // namespace
}  // namespace zid
