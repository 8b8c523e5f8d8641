// Numbers as people type them into the tools.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace zidtools {

// A whole decimal number within [low, high], and nothing else: no blanks,
// no sign but a leading '-', no exponent.
inline std::optional<long> ParseNumber(std::string_view text, long low, long high) {
    long value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

}  // namespace zidtools
