#pragma once

#include <cerrno>
#include <cstdlib>

namespace zidtools {

// A whole decimal number within [low, high], and nothing else in the text.
inline bool ParseNumber(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    value = v;
    return true;
}

}  // namespace zidtools
