// One arrow step of a dialog field, natively (the dialog's own tests drive
// the same steps through the real window).
#include <gtest/gtest.h>

#include <cstdint>

#include "address/spin.h"

namespace zid {
namespace {

struct SpinCase {
    const char* text;
    int32_t value;  // before
    int32_t lower;
    int32_t upper;
    int32_t code;
    int32_t expect;
};

constexpr int32_t kUp = kScrollLineUp;
constexpr int32_t kDown = kScrollLineDown;

const SpinCase kSpinCases[] = {
    // Wrap-arounds at both ends of both ranges.
    {"12", 0, 0, 12, kUp, 0},
    {"00", 0, 0, 12, kDown, 12},
    {"40", 0, 0, 40, kUp, 0},
    {"00", 0, 0, 40, kDown, 40},
    {"05", 0, 0, 12, kUp, 6},
    {"05", 0, 0, 12, kDown, 4},
    // Not a number within the bounds: the value as it was (the dialog starts at 0).
    {"ab", 0, 0, 12, kUp, 1},
    {"ab", 0, 0, 12, kDown, 12},
    {"55", 0, 0, 40, kUp, 1},
    {"55", 0, 0, 40, kDown, 40},
    {"13", 0, 0, 12, kUp, 1},
    {"-1", 0, 0, 12, kDown, 12},
    {"", 0, 0, 12, kUp, 1},
    {"", 7, 0, 12, kUp, 8},
    {"+", 0, 0, 12, kUp, 1},
    // The first two characters of "123", as the dialog reads them.
    {"12", 0, 0, 40, kUp, 13},
    // More digits than the upper bound has: the value is kept.
    {"123", 5, 0, 40, kUp, 6},
    {"123", 40, 0, 40, kUp, 0},
    {"007", 3, 0, 12, kDown, 2},
    {"99999999999999999999", 3, 0, 12, kUp, 4},
    // A leading number: blanks, one sign, and up to the first non-digit.
    {" 7", 0, 0, 12, kUp, 8},
    {"7a", 0, 0, 12, kUp, 8},
    {"+5", 0, 0, 12, kUp, 6},
    {"-0", 0, 0, 12, kUp, 1},
    {"--5", 0, 0, 12, kUp, 1},
    {"  99999999999999999999", 3, 0, 12, kUp, 4},
    // Every code but 0 steps down.
    {"05", 0, 0, 12, 2, 4},
    {"05", 0, 0, 12, -1, 4},
    // A lower bound other than 0.
    {"3", 0, 3, 9, kDown, 9},
    {"9", 0, 3, 9, kUp, 3},
    {"2", 5, 3, 9, kUp, 6},
};

TEST(StepSpinField, Table) {
    for (const SpinCase& c : kSpinCases) {
        int32_t value = c.value;
        StepSpinField(c.text, &value, c.lower, c.upper, c.code);
        EXPECT_EQ(value, c.expect) << '"' << c.text << "\" from " << c.value << " in " << c.lower
                                   << ".." << c.upper << " code " << c.code;
    }
}

TEST(StepSpinField, ValueAtTheTypesEdgeWrapsWithoutOverflow) {
    int32_t value = INT32_MAX;
    StepSpinField("x", &value, 0, 12, kUp);
    EXPECT_EQ(value, INT32_MIN);
    value = INT32_MIN;
    StepSpinField("x", &value, 0, 12, kDown);
    EXPECT_EQ(value, INT32_MAX);
}

}  // namespace
}  // namespace zid
