// Times as the records write them: the local wall clock,
// "YYYY-MM-DD HH:MM:SS.mmm".
#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>

namespace zidtools {

std::string FormatLocalTime(std::chrono::system_clock::time_point when);

// The local calendar time of a moment, on every platform.
std::tm LocalCalendar(std::time_t when);

// Milliseconds from 1970-01-01 00:00:00.000 to a time written as
// FormatLocalTime writes it, both read on the same local clock (so a change
// of daylight saving time inside a run shifts a duration by that hour).
// Nothing when the text is not of that form or names no real date.
std::optional<long long> ParseLocalTime(const std::string& text);

}  // namespace zidtools
