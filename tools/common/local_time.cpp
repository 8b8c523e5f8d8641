#include "tools/common/local_time.h"

#include <cstdio>
#include <ctime>

namespace zidtools {
namespace {

bool Digits(const std::string& text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

std::tm LocalCalendar(std::time_t when) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    return local;
}

std::string FormatLocalTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(when);
    const auto milli = duration_cast<milliseconds>(when - seconds).count();
    const std::tm local = LocalCalendar(system_clock::to_time_t(seconds));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(milli));
    return text;
}

std::optional<long long> ParseLocalTime(const std::string& text) {
    using namespace std::chrono;
    if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':' || text[19] != '.')
        return std::nullopt;
    int y, mo, d, h, mi, s, ms;
    if (!Digits(text, 0, 4, y) || !Digits(text, 5, 2, mo) || !Digits(text, 8, 2, d) ||
        !Digits(text, 11, 2, h) || !Digits(text, 14, 2, mi) || !Digits(text, 17, 2, s) ||
        !Digits(text, 20, 3, ms))
        return std::nullopt;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)},
                              day{static_cast<unsigned>(d)}};
    // A leap second is written as :60.
    if (!date.ok() || h > 23 || mi > 59 || s > 60) return std::nullopt;
    const auto at = sys_days{date} + hours{h} + minutes{mi} + std::chrono::seconds{s} +
                    milliseconds{ms};
    return duration_cast<milliseconds>(at.time_since_epoch()).count();
}

}  // namespace zidtools
