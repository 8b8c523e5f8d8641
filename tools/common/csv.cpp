#include "tools/common/csv.h"

#include <cstring>

namespace zidtools {

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

CsvReader::CsvReader(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = consumed_ = 3;
}

bool CsvReader::Next(std::vector<std::string>& fields) {
    const char* const s = text_.data();
    const size_t n = text_.size();
    if (cutOff_ || at_ >= n) return false;
    size_t i = at_;
    int line = line_;
    size_t count = 0;
    for (;;) {
        if (count == fields.size()) fields.emplace_back();
        std::string& field = fields[count++];
        field.clear();
        if (i < n && s[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const void* quote = std::memchr(s + i, '"', n - i);
                const size_t at = quote ? static_cast<size_t>(static_cast<const char*>(quote) - s) : n;
                for (size_t k = i; k < at; ++k)
                    if (s[k] == '\n' || (s[k] == '\r' && (k + 1 >= n || s[k + 1] != '\n'))) ++line;
                field.append(s + i, at - i);
                i = at;
                if (at >= n) break;
                if (at + 1 < n && s[at + 1] == '"') {  // a doubled quote
                    field += '"';
                    i = at + 2;
                    continue;
                }
                i = at + 1;
                closed = true;
                break;
            }
            if (!closed) break;
        }
        // Unquoted text, or whatever stands between a closing quote and the
        // next separator.
        size_t stop = i;
        while (stop < n && s[stop] != ',' && s[stop] != '\r' && s[stop] != '\n') ++stop;
        field.append(s + i, stop - i);
        i = stop;
        if (i >= n) break;
        if (s[i] == ',') {
            ++i;
            continue;
        }
        if (s[i] == '\r') {
            if (i + 1 >= n) break;  // cut between CR and LF
            i += s[i + 1] == '\n' ? 2 : 1;
        } else {
            ++i;
        }
        fields.resize(count);
        recordLine_ = line_;
        line_ = line + 1;
        at_ = consumed_ = i;
        return true;
    }
    cutOff_ = true;
    return false;
}

}  // namespace zidtools
