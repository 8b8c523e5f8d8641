#include "tools/common/tag_file.h"

#include <sstream>

namespace zidtools {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

std::vector<TagLine> ParseTagFile(const std::string& text) {
    std::vector<TagLine> out;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        // Cut the comment.
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '#' && (i == 0 || IsBlank(line[i - 1]))) {
                line.resize(i);
                break;
            }
        }
        // The address is the first word; the label is everything after it
        // and its blanks, so a label may hold blanks and commas of its own.
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size()) continue;
        size_t end = first;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        size_t labelStart = end;
        while (labelStart < line.size() && IsBlank(line[labelStart])) ++labelStart;
        size_t labelEnd = line.size();
        while (labelEnd > labelStart && IsBlank(line[labelEnd - 1])) --labelEnd;
        out.push_back({number, line.substr(first, end - first), "",
                       line.substr(labelStart, labelEnd - labelStart)});
    }
    return out;
}

bool LooksLikeGateTag(const std::string& tag) { return tag.size() == 6 && tag[0] != '!'; }

}  // namespace zidtools
