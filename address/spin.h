// One arrow step of a two-digit dialog field, kept free of Win32 so that it
// is tested natively.
#pragma once

#include <cstdint>

namespace zid {

// Scroll codes the field's arrows send: 0 the upper arrow, 1 the lower one.
inline constexpr int32_t kScrollLineUp = 0;
inline constexpr int32_t kScrollLineDown = 1;

// One arrow step of a field whose text is text and whose bounds are lower and
// upper (inclusive):
//  - if text is all decimal digits and has more of them than upper has, value
//    is kept as it is;
//  - otherwise, if text begins with a decimal number (leading blanks and one
//    sign allowed, ending at the first non-digit) within the bounds, that
//    number becomes value; any other text keeps value;
//  - then scroll code 0 raises value by 1, wrapping from upper to lower, and
//    every other code lowers it by 1, wrapping from lower to upper.
void StepSpinField(const char* text, int32_t* value, int32_t lower, int32_t upper,
                   int32_t scrollCode);

}  // namespace zid
