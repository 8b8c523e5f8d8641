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
        std::vector<std::string> words;
        std::string word;
        for (char c : line) {
            if (IsBlank(c)) {
                if (!word.empty()) words.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        if (!word.empty()) words.push_back(word);
        if (words.empty()) continue;
        if (words.size() > 1) {
            out.push_back({number, "", "more than one word on the line: \"" + words[1] + "\""});
            continue;
        }
        out.push_back({number, words[0], ""});
    }
    return out;
}

bool LooksLikeGateTag(const std::string& tag) { return tag.size() == 6 && tag[0] != '!'; }

}  // namespace zidtools
