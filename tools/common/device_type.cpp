#include "tools/common/device_type.h"

namespace zidtools {
namespace {

struct TypeWord {
    const char* word;
    DeviceType type;
};

// The first word of each type is the one the journal keeps.
constexpr TypeWord kWords[] = {
    {"smoke", DeviceType::kSmoke},
    {"heat", DeviceType::kHeat},
    {"manual call point", DeviceType::kManualCallPoint},
    {"zone", DeviceType::kZone},
    {"other", DeviceType::kOther},
    {"line detector", DeviceType::kLineDetector},
    {"call point", DeviceType::kManualCallPoint},
    {"mcp", DeviceType::kManualCallPoint},
    {"\xD7\xA2\xD7\xA9\xD7\x9F", DeviceType::kSmoke},            // עשן
    {"\xD7\x97\xD7\x95\xD7\x9D", DeviceType::kHeat},             // חום
    {"\xD7\x9C\xD7\x97\xD7\xA6\xD7\x9F", DeviceType::kManualCallPoint},  // לחצן
    {"\xD7\x90\xD7\x96\xD7\x95\xD7\xA8", DeviceType::kZone},     // אזור
    {"\xD7\x90\xD7\x97\xD7\xA8", DeviceType::kOther},            // אחר
};

bool SameWord(std::string_view given, const char* word) {
    size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i >= given.size()) return false;
        char c = given[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return i == given.size();
}

}  // namespace

const char* DeviceTypeWord(DeviceType type) {
    for (const TypeWord& w : kWords)
        if (w.type == type) return w.word;
    return "other";
}

std::optional<DeviceType> DeviceTypeOfWord(std::string_view word) {
    for (const TypeWord& w : kWords)
        if (SameWord(word, w.word)) return w.type;
    return std::nullopt;
}

DeviceType DeviceTypeOfAddress(const std::string& address) {
    const bool zoneForm = address.size() == 6 && address.compare(0, 4, "0000") == 0 &&
                          address.compare(4, 2, "00") != 0;
    return zoneForm ? DeviceType::kZone : DeviceType::kLineDetector;
}

DeviceType DeviceTypeOf(const std::string& given, const std::string& address) {
    if (const std::optional<DeviceType> type = DeviceTypeOfWord(given)) return *type;
    return DeviceTypeOfAddress(address);
}

}  // namespace zidtools
