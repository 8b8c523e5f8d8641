#include "tools/common/text_file.h"

#include <cstring>

#include "tools/common/files.h"

namespace zidtools {

Outcome<std::vector<TextLine>> SplitTextLines(const std::string& bytes, const std::string& path) {
    std::vector<TextLine> lines;
    size_t i = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int number = 1;
    std::string current;
    while (i < bytes.size()) {
        const char c = bytes[i++];
        if (c == '\0')
            return Failure{path + ":" + std::to_string(number) +
                           ": a NUL byte: this is not a text file"};
        if (c != '\r' && c != '\n') {
            current += c;
            continue;
        }
        if (c == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
        lines.push_back({number++, std::move(current)});
        current.clear();
    }
    if (!current.empty()) lines.push_back({number, std::move(current)});
    return lines;
}

Outcome<std::vector<TextLine>> ReadTextFile(const std::string& path, const std::string& what) {
    Outcome<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return Failure{"cannot read " + what + " " + path};
    return SplitTextLines(*bytes, path);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string WithoutComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const bool wordStart = i == 0 || IsBlank(line[i - 1]);
        if (quoted) {
            quoted = line[i] != '"';
        } else if (line[i] == '"' && wordStart) {
            quoted = true;
        } else if (line[i] == '#' && wordStart) {
            return line.substr(0, i);
        }
    }
    return line;
}

std::string Trim(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string Unquoted(const std::string& text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return text;
    std::string out;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        out += text[i];
        if (text[i] == '"' && i + 2 < text.size() && text[i + 1] == '"') ++i;
    }
    return out;
}

std::vector<std::string> WordsOf(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        size_t end = i;
        while (end < line.size() && !IsBlank(line[end])) ++end;
        if (end > i) words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

}  // namespace zidtools
