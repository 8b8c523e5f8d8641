#include "tools/common/key_file.h"

#include "tools/common/utf8_text.h"

namespace zidtools {

std::string AtLine(const std::string& path, int line, const std::string& why) {
    return path + ":" + std::to_string(line) + ": " + why;
}

Outcome<std::vector<KeySection>> ParseKeyFile(const std::vector<TextLine>& lines,
                                              const std::string& path) {
    std::vector<KeySection> sections;
    for (const TextLine& raw : lines) {
        const std::string line = Trim(WithoutComment(raw.text));
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') return Failure{AtLine(path, raw.number, "a section header ends in ]: " + ShownToken(line))};
            sections.push_back({raw.number, Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return Failure{AtLine(path, raw.number, "expected key = value: " + ShownToken(line))};
        if (sections.empty())
            return Failure{AtLine(path, raw.number, "a setting before the first [section]")};
        KeySection& section = sections.back();
        KeySetting setting{raw.number, Trim(line.substr(0, equals)),
                           Unquoted(Trim(line.substr(equals + 1)))};
        for (const KeySetting& earlier : section.settings)
            if (earlier.key == setting.key)
                return Failure{AtLine(path, raw.number,
                                      ShownToken(setting.key) + " is already set at line " +
                                          std::to_string(earlier.line) + " in [" + ShownToken(section.name) + "]")};
        section.settings.push_back(std::move(setting));
    }
    return sections;
}

}  // namespace zidtools
