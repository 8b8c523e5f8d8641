#include "tools/common/tag_file.h"

#include "tools/common/text_file.h"

namespace zidtools {

Outcome<std::vector<TagLine>> ParseTagFile(const std::string& bytes, const std::string& path) {
    Outcome<std::vector<TextLine>> lines = SplitTextLines(bytes, path);
    if (!lines) return Failure{lines.Error()};
    std::vector<TagLine> out;
    for (const TextLine& raw : *lines) {
        const std::string line = Trim(WithoutComment(raw.text));
        if (line.empty()) continue;
        // The address is the first word; the label is everything after it
        // and its blanks, so a label may hold blanks and commas of its own.
        size_t end = 0;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        out.push_back({raw.number, line.substr(0, end), Unquoted(Trim(line.substr(end)))});
    }
    return out;
}

bool LooksLikeGateTag(const std::string& tag) { return tag.size() == 6 && tag[0] != '!'; }

}  // namespace zidtools
