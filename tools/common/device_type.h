// What kind of device a gate stands for. A tag file may say it, in brackets
// after the address ("031200 [smoke] Lobby"); without that, the address's
// form tells a line detector (LLDD00) from a zone (0000ZZ).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zidtools {

enum class DeviceType { kLineDetector, kZone, kSmoke, kHeat, kManualCallPoint, kOther };

// The word the journal keeps for a type given in a tag file: "smoke",
// "heat", "manual call point", "zone" or "other" (and "line detector").
const char* DeviceTypeWord(DeviceType type);

// A type as a tag file may give it: those words in any case, a few short
// forms ("call point", "mcp") and the Hebrew words (עשן, חום, לחצן, אזור,
// אחר). Nothing for any other text.
std::optional<DeviceType> DeviceTypeOfWord(std::string_view word);

// From the address alone: a zone when only its zone digits are set.
DeviceType DeviceTypeOfAddress(const std::string& address);

// The type given (a journal word, may be empty), else the address's.
DeviceType DeviceTypeOf(const std::string& given, const std::string& address);

// "smoke, heat, manual call point, zone, other", for messages.
inline constexpr char kDeviceTypeWords[] = "smoke, heat, manual call point, zone or other";

}  // namespace zidtools
