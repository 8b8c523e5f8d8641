// Fuzz target: StepSpinField, the arrow step of the address dialog's fields.
//
// Input layout: byte 0 picks the mode.
//   bit 0 clear: a dialog field. Bit 1 picks the bounds (0..12 or 0..40),
//     bit 2 the arrow (bit 3 set: any other scroll code, from byte 1); the
//     value starts at 0 as in the dialog. The result must lie within the
//     bounds and equal the reference step.
//   bit 0 set: bytes 1..16 are the lower bound, the upper bound, the value
//     and the scroll code (32 bits each, any values at all). Only undefined
//     behaviour is looked for, and, when the bounds are ordered and the value
//     lies within them, a result within them.
// The rest, up to its first NUL, is the field's text, in a buffer of exactly
// its size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "address/spin.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_spin: %s\n", what);
    std::abort();
}

int32_t Word(const uint8_t* p) {
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(v);
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The step as the dialog's fields need it, with small non-negative bounds.
int32_t Reference(const char* text, int32_t value, int32_t lower, int32_t upper, int32_t code) {
    const size_t upperDigits = upper >= 10 ? 2 : 1;
    size_t n = 0;
    bool allDigits = text[0] != '\0';
    for (; text[n] != '\0'; ++n) allDigits = allDigits && IsDigit(text[n]);
    if (!(allDigits && n > upperDigits)) {
        const char* p = text;
        while (IsBlank(*p)) ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        if (IsDigit(*p)) {
            long long number = 0;
            for (; IsDigit(*p); ++p)
                if (number < 1000000) number = number * 10 + (*p - '0');
            if (negative) number = -number;
            if (number >= lower && number <= upper) value = static_cast<int32_t>(number);
        }
    }
    if (code == 0) return value == upper ? lower : value + 1;
    return value == lower ? upper : value - 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    size_t head = 1;
    int32_t lower = 0, upper = (mode & 2) ? 40 : 12, value = 0;
    int32_t code = (mode & 4) ? 1 : 0;
    const bool raw = mode & 1;
    if (raw) {
        if (size < 17) return 0;
        lower = Word(data + 1);
        upper = Word(data + 5);
        value = Word(data + 9);
        code = Word(data + 13);
        head = 17;
    } else if (mode & 8) {
        if (size < 2) return 0;
        code = static_cast<int8_t>(data[1]);
        head = 2;
    }
    size_t length = 0;
    while (head + length < size && data[head + length] != 0) ++length;
    char* text = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(text, data + head, length);
    text[length] = '\0';

    const int32_t start = value;
    zid::StepSpinField(text, &value, lower, upper, code);
    if (raw) {
        if (lower <= upper && start >= lower && start <= upper && (value < lower || value > upper))
            Fail("a value within ordered bounds stepped outside them");
    } else {
        if (value < lower || value > upper) Fail("a dialog field stepped outside its bounds");
        if (value != Reference(text, start, lower, upper, code)) Fail("step differs from the reference");
    }
    std::free(text);
    return 0;
}
