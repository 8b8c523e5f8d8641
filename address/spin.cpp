// One arrow step of a two-digit dialog field.
#include "address/spin.h"

#include <cstdio>
#include <cstring>

#include "address/address.h"

namespace zid {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a leading decimal number: blanks, one optional sign, then at least
// one digit; stops at the first non-digit. Large numbers saturate (they lie
// outside every field's bounds either way).
bool LeadingNumber(const char* text, int64_t* number) {
    const char* p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (*p < '0' || *p > '9') return false;
    int64_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (n < (int64_t{1} << 40)) n = n * 10 + (*p - '0');
    }
    *number = negative ? -n : n;
    return true;
}

}  // namespace

void StepSpinField(const char* text, int32_t* value, int32_t lower, int32_t upper,
                   int32_t scrollCode) {
    char upperText[16];
    std::snprintf(upperText, sizeof upperText, "%d", static_cast<int>(upper));

    if (LengthIfAllInSet("0123456789", text) <= std::strlen(upperText)) {
        int64_t number = 0;
        if (LeadingNumber(text, &number) && number >= lower && number <= upper) {
            *value = static_cast<int32_t>(number);
        }
    }

    // Wider arithmetic: a value at the type's edge wraps instead of overflowing.
    if (scrollCode == kScrollLineUp) {
        *value = *value == upper ? lower : static_cast<int32_t>(int64_t{*value} + 1);
    } else {
        *value = *value == lower ? upper : static_cast<int32_t>(int64_t{*value} - 1);
    }
}

}  // namespace zid
