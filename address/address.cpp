// Tag address validation (command 3) and point reads (command 5).
#include "address/address.h"

#include <cstring>

#include "host_abi/qelmar.h"

namespace zid {
namespace {

constexpr char kDecimalDigits[] = "0123456789";

constexpr unsigned char UpperByte(unsigned char c) {
    return (c >= 0x61 && c <= 0x7F) ? static_cast<unsigned char>(c - 0x20) : c;
}
static_assert(UpperByte('a') == 'A' && UpperByte('z') == 'Z');
static_assert(UpperByte('{') == '[' && UpperByte(0x7F) == 0x5F);
static_assert(UpperByte(0x60) == 0x60 && UpperByte(0xE0) == 0xE0);

bool IsStatusLetter(char c) { return c == 'C' || c == 'R' || c == 'S' || c == 'F' || c == 'T'; }

struct GateField {
    size_t offset;
    int limit;
    TagRefusal aboveLimit;
};
constexpr GateField kGateFields[] = {
    {0, kLineLimit, TagRefusal::kLineAbove12},
    {2, kDetectorLimit, TagRefusal::kDetectorAbove40},
    {4, kZoneLimit, TagRefusal::kZoneAbove12},
};

// Classifies an upper-cased text of the given length against a table that
// holds count entries. A text of more than 31 characters is never valid.
TagRefusal Classify(const char* upper, size_t length, uint32_t count) {
    if (length >= kAddressWorkSize) return TagRefusal::kBadForm;
    if (length == 2 && upper[0] == '!') return TagRefusal::kAccepted;
    if (length != 6) return TagRefusal::kBadForm;
    for (const GateField& f : kGateFields) {
        const char field[3] = {upper[f.offset], upper[f.offset + 1], '\0'};
        if (!CheckTwoDigitField(field, f.limit)) {
            return LengthIfAllInSet(kDecimalDigits, field) == 2 ? f.aboveLimit
                                                                : TagRefusal::kBadForm;
        }
    }
    if (count >= static_cast<uint32_t>(kAddressTableSize)) return TagRefusal::kTableFull;
    return TagRefusal::kAccepted;
}

}  // namespace

size_t UpperCaseAddress(const char* text, char (&work)[kAddressWorkSize]) {
    size_t n = 0;
    for (; text[n] != '\0'; ++n) {
        if (n < kAddressWorkSize - 1) {
            work[n] = static_cast<char>(UpperByte(static_cast<unsigned char>(text[n])));
        }
    }
    work[n < kAddressWorkSize - 1 ? n : kAddressWorkSize - 1] = '\0';
    return n;
}

size_t LengthIfAllInSet(const char* set, const char* text) {
    size_t n = 0;
    for (; text[n] != '\0'; ++n) {
        if (std::strchr(set, text[n]) == nullptr) return 0;
    }
    return n;
}

bool CheckTwoDigitField(const char* text, int limit) {
    if (LengthIfAllInSet(kDecimalDigits, text) == 2) {
        return (text[0] - '0') * 10 + (text[1] - '0') <= limit;
    }
    return text[0] == '\0';
}

TagRefusal ExplainTagRefusal(const char* text, uint32_t registeredCount) {
    if (text == nullptr) return TagRefusal::kBadForm;
    char work[kAddressWorkSize];
    const size_t length = UpperCaseAddress(text, work);
    return Classify(work, length, registeredCount);
}

const char* TagRefusalText(TagRefusal refusal) {
    switch (refusal) {
        case TagRefusal::kAccepted: return "accepted";
        case TagRefusal::kBadForm: return "bad form";
        case TagRefusal::kLineAbove12: return "line above 12";
        case TagRefusal::kDetectorAbove40: return "detector above 40";
        case TagRefusal::kZoneAbove12: return "zone above 12";
        case TagRefusal::kTableFull: return "table full";
    }
    return "bad form";
}

// Command 3. The work buffer lives on this call's stack: nothing else reads
// it, and two channels' host threads may then validate at the same time.
Result ValidateAddress(DriverRequest* request) {
    auto* context = static_cast<ChannelContext*>(request->context);
    auto* args = static_cast<TagAddressArgs*>(request->argument);
    if (context == nullptr || args == nullptr || args->address == nullptr) return kRefused;

    char work[kAddressWorkSize];
    const size_t length = UpperCaseAddress(args->address, work);
    // The caller's text reads upper-cased afterwards, for every input. Each
    // byte is rewritten in its own place, so a text longer than the work
    // buffer is upper-cased whole and nothing goes past its terminator.
    for (size_t i = 0; i < length; ++i) {
        args->address[i] =
            static_cast<char>(UpperByte(static_cast<unsigned char>(args->address[i])));
    }

    // Only this (the host's) thread changes the count.
    const uint32_t count = AcquireCount(*context);
    if (Classify(work, length, count) != TagRefusal::kAccepted) return kRefused;

    if (length == 2) {  // "!" and one character
        if (IsStatusLetter(work[1])) args->pointType = static_cast<unsigned char>(work[1]);
    } else {            // a gate: the entry is complete before the count shows it
        std::memcpy(context->addresses[count], work, length + 1);
        PublishCount(*context, count + 1);
        args->pointType = static_cast<int32_t>(PointType::kGate);
    }
    args->field16 = 0;
    args->field28 = 255;
    args->field32 = 16;
    return kDone;
}

// Command 5.
Result ReadPoint(DriverRequest* request) {
    auto* context = static_cast<ChannelContext*>(request->context);
    auto* args = static_cast<PointReadArgs*>(request->argument);
    if (context == nullptr || args == nullptr || args->valueOut == nullptr) return kRefused;

    uint16_t value = 0;
    switch (static_cast<PointType>(args->pointType)) {
        case PointType::kGate: {
            // Cleared first: a failed read gives 0, never stale stack bytes.
            RawGateValue raw{};
            QelGetGateRawValue(context->clientId, args->gateId, &raw, 0);
            value = raw.value;
            break;
        }
        case PointType::kStatusF: value = LoadStatus(context->status.F); break;
        case PointType::kStatusR: value = LoadStatus(context->status.R); break;
        case PointType::kStatusS: value = LoadStatus(context->status.S); break;
        case PointType::kStatusT: value = LoadStatus(context->status.T); break;
        case PointType::kStatusC: value = LoadStatus(context->portDown); break;
        default: return kRefused;
    }
    // Only the 16-bit value at offset 2; the host's bytes 0 and 1 stay.
    std::memcpy(reinterpret_cast<unsigned char*>(args->valueOut) + offsetof(PointValue, value),
                &value, sizeof value);
    return kDone;
}

}  // namespace zid
