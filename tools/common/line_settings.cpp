#include "tools/common/line_settings.h"

#include "tools/common/numbers.h"

namespace zidtools {
namespace {

constexpr const char* kStopWords[] = {"1", "1.5", "2"};
constexpr const char* kParityWords[] = {"none", "odd", "even", "mark", "space"};
constexpr char kParityLetters[] = "NOEMS";

struct NumberRule {
    const char* name;
    long low, high;
    long LineSettings::*field;
};
constexpr NumberRule kNumbers[] = {
    {"baud", 1, 65535, &LineSettings::baud},
    {"data-bits", 5, 8, &LineSettings::dataBits},
    {"timeout", 0, 100000, &LineSettings::timeout},
};

template <size_t N>
long IndexOf(const char* const (&words)[N], std::string_view value) {
    for (size_t k = 0; k < N; ++k)
        if (value == words[k]) return static_cast<long>(k);
    return -1;
}

}  // namespace

bool IsLineSettingName(std::string_view name) {
    for (const NumberRule& rule : kNumbers)
        if (name == rule.name) return true;
    return name == "stop-bits" || name == "parity";
}

Status ApplyLineSetting(std::string_view name, const std::string& value, LineSettings& line) {
    for (const NumberRule& rule : kNumbers) {
        if (name != rule.name) continue;
        const std::optional<long> number = ParseNumber(value, rule.low, rule.high);
        if (!number)
            return Failure{"a number from " + std::to_string(rule.low) + " to " +
                           std::to_string(rule.high)};
        line.*rule.field = *number;
        return Done{};
    }
    if (name == "stop-bits") {
        const long code = IndexOf(kStopWords, value);
        if (code < 0) return Failure{"1, 1.5 or 2"};
        line.stopBits = code;
        return Done{};
    }
    if (name == "parity") {
        const long code = IndexOf(kParityWords, value);
        if (code < 0) return Failure{"none, odd, even, mark or space"};
        line.parity = code;
        return Done{};
    }
    return Failure{"not a line setting: " + std::string(name)};
}

zid::LineBlock LineBlockOf(const LineSettings& s, const zid::LineBlock& defaults) {
    zid::LineBlock line = defaults;
    if (s.baud >= 0) line.baud = static_cast<uint16_t>(s.baud);
    if (s.dataBits >= 0) line.dataBits = static_cast<uint16_t>(s.dataBits);
    if (s.stopBits >= 0) line.stopBits = static_cast<uint16_t>(s.stopBits);
    if (s.parity >= 0) line.parity = static_cast<uint16_t>(s.parity);
    return line;
}

std::string LineText(const zid::LineBlock& line) {
    const unsigned parity = line.parity & 0xFF, stop = line.stopBits & 0xFF;
    return std::to_string(line.baud) + " " + std::to_string(line.dataBits & 0xFF) +
           (parity < 5 ? kParityLetters[parity] : '?') + (stop < 3 ? kStopWords[stop] : "?");
}

}  // namespace zidtools
