#include "tools/common/tag_file.h"

#include "tools/common/device_type.h"
#include "tools/common/text_encoding.h"
#include "tools/common/text_file.h"

namespace zidtools {

Outcome<std::vector<TagLine>> ParseTagFile(const std::string& bytes, const std::string& path) {
    Outcome<std::vector<TextLine>> lines = SplitTextLines(AsUtf8Text(bytes).text, path);
    if (!lines) return Failure{lines.Error()};
    std::vector<TagLine> out;
    for (const TextLine& raw : *lines) {
        const std::string line = Trim(WithoutComment(raw.text));
        if (line.empty()) continue;
        // The address is the first word; the label is everything after it
        // and its blanks, so a label may hold blanks and commas of its own.
        size_t end = 0;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        TagLine tag{raw.number, line.substr(0, end), "", "", ""};
        std::string rest = Trim(line.substr(end));
        const size_t close = rest.find(']');
        if (!rest.empty() && rest.front() == '[' && close != std::string::npos) {
            const std::string word = Trim(rest.substr(1, close - 1));
            if (const std::optional<DeviceType> type = DeviceTypeOfWord(word)) {
                tag.type = DeviceTypeWord(*type);
                rest = Trim(rest.substr(close + 1));
            } else {
                tag.notice = path + ":" + std::to_string(raw.number) + ": [" + word +
                             "] is not a device type (" + kDeviceTypeWords +
                             "): it stays part of the label";
            }
        }
        tag.label = Unquoted(rest);
        out.push_back(std::move(tag));
    }
    return out;
}

bool LooksLikeGateTag(const std::string& tag) { return tag.size() == 6 && tag[0] != '!'; }

}  // namespace zidtools
