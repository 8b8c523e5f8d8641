#pragma once

#include <cstdint>

namespace zid {

// One arrow step of a two-digit dialog field (scroll code 0: up).
void StepSpinField(const char* text, int32_t* value, int32_t lower, int32_t upper,
                   int32_t scrollCode);

}  // namespace zid
