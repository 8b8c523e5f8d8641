// Fuzz target: command 3 (ValidateAddress) on arbitrary text.
//
// Input layout: byte 0 picks how full the address table is (bit 0: one entry
// short of full, bit 1: full); the rest, up to its first NUL, is the address
// text, handed over in a buffer of exactly its size so that a write past the
// terminator is caught. The outcome is checked against a reference of the
// address syntax: the result, the upper-cased text, the registered entry and
// count, and the fields of the argument record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "address/address.h"
#include "host_abi/context.h"
#include "host_abi/requests.h"

namespace {

zid::ChannelContext* gContext = nullptr;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_address: %s\n", what);
    std::abort();
}

unsigned char Upper(unsigned char c) { return (c >= 0x61 && c <= 0x7F) ? c - 0x20 : c; }

bool TwoDigitsAtMost(const char* f, int limit) {
    if (f[0] < '0' || f[0] > '9' || f[1] < '0' || f[1] > '9') return false;
    return (f[0] - '0') * 10 + (f[1] - '0') <= limit;
}

// 0 accepted status address, 1 accepted gate address, -1 refused.
int Reference(const char* upper, size_t length, uint32_t count) {
    if (length == 2 && upper[0] == '!') return 0;
    if (length != 6) return -1;
    if (!TwoDigitsAtMost(upper, 12) || !TwoDigitsAtMost(upper + 2, 40) ||
        !TwoDigitsAtMost(upper + 4, 12))
        return -1;
    return count < uint32_t(zid::kAddressTableSize) ? 1 : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (gContext == nullptr)
        gContext = static_cast<zid::ChannelContext*>(std::calloc(1, sizeof(zid::ChannelContext)));
    if (size == 0) return 0;
    zid::ChannelContext& ctx = *gContext;
    uint32_t count = 0;
    if (data[0] & 1) count = zid::kAddressTableSize - 1;
    if (data[0] & 2) count = zid::kAddressTableSize;
    zid::PublishCount(ctx, count);

    size_t length = 0;
    while (1 + length < size && data[1 + length] != 0) ++length;
    char* text = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(text, data + 1, length);
    text[length] = '\0';
    char upper[4096];
    const size_t kept = length < sizeof upper - 1 ? length : sizeof upper - 1;
    for (size_t i = 0; i < kept; ++i) upper[i] = static_cast<char>(Upper(data[1 + i]));
    upper[kept] = '\0';

    zid::TagAddressArgs args;
    std::memset(&args, 0xA5, sizeof args);
    args.address = text;
    zid::TagAddressArgs before = args;
    DriverRequest request{};
    request.context = &ctx;
    request.command = zid::CodeOf(zid::Command::kValidateAddress);
    request.argument = &args;
    const int32_t result = zid::ValidateAddress(&request);

    const int want = Reference(upper, length, count);
    if (result != (want < 0 ? 1 : 0)) Fail("result differs from the address syntax");
    if (std::memcmp(text, upper, kept) != 0) Fail("the caller's text is not upper-cased");
    if (text[length] != '\0') Fail("the terminator was overwritten");
    if (std::memcmp(args.untouched1, before.untouched1, sizeof args.untouched1) != 0 ||
        std::memcmp(args.untouched2, before.untouched2, sizeof args.untouched2) != 0)
        Fail("an untouched field was written");
    const uint32_t after = zid::AcquireCount(ctx);
    if (want < 0) {
        if (after != count) Fail("a refused address changed the count");
        if (args.field16 != before.field16 || args.field28 != before.field28 ||
            args.field32 != before.field32 || args.pointType != before.pointType)
            Fail("a refused address wrote the argument record");
    } else {
        if (args.field16 != 0 || args.field28 != 255 || args.field32 != 16)
            Fail("the fixed fields of an accepted address are wrong");
        if (want == 1) {
            if (after != count + 1) Fail("a gate address did not raise the count by one");
            if (std::strcmp(ctx.addresses[count], upper) != 0) Fail("the entry differs");
            if (args.pointType != 0) Fail("a gate's point type is not 0");
        } else {
            if (after != count) Fail("a status address changed the count");
            const char letter = upper[1];
            const bool named = letter != '\0' && std::strchr("CFRST", letter) != nullptr;
            if (args.pointType != (named ? letter : before.pointType))
                Fail("a status address stored a wrong point type");
        }
    }
    std::free(text);
    return 0;
}
