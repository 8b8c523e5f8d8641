#include "tools/common/readable.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace zidtools {
namespace {

bool IsHebrew(uint8_t b) { return b >= 0x80 && b <= 0x9A; }
// Characters that may stand between Hebrew letters of one phrase.
bool IsNeutral(uint8_t b) {
    return b == ' ' || b == ':' || b == ',' || b == '.' || b == '-' || b == '\'' || b == '"';
}

void AppendUtf8(std::string& out, uint8_t b) {
    if (IsHebrew(b)) {
        const unsigned code = 0x05D0u + (b - 0x80u);
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (b >= 0x20 && b < 0x7F) {
        out += static_cast<char>(b);
    } else {
        char esc[8];
        std::snprintf(esc, sizeof esc, "\\x%02X", b);
        out += esc;
    }
}

}  // namespace

std::string ReadablePanelLine(const std::string& line) {
    std::vector<uint8_t> bytes(line.begin(), line.end());
    const size_t n = bytes.size();
    std::string out;
    size_t i = 0;
    while (i < n) {
        if (!IsHebrew(bytes[i])) {
            AppendUtf8(out, bytes[i]);
            ++i;
            continue;
        }
        // A run: Hebrew letters and the neutrals between them, ending on a letter.
        size_t end = i + 1;  // one past the last letter of the run
        size_t j = i + 1;
        while (j < n && (IsHebrew(bytes[j]) || IsNeutral(bytes[j]))) {
            if (IsHebrew(bytes[j])) end = j + 1;
            ++j;
        }
        for (size_t k = end; k > i; --k) AppendUtf8(out, bytes[k - 1]);
        i = end;
    }
    return out;
}

std::string HexBytes(const std::string& bytes) {
    std::string out;
    char pair[4];
    for (unsigned char b : bytes) {
        if (!out.empty()) out += ' ';
        std::snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
    }
    return out;
}

}  // namespace zidtools

namespace zidtools {

std::string DevicePortName(const std::string& name) {
    if (name.size() < 5 || name.size() > 6) return name;
    for (size_t i = 0; i < 3; ++i)
        if ((name[i] & ~0x20) != "COM"[i]) return name;
    for (size_t i = 3; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return name;
    return "\\\\.\\" + name;
}

}  // namespace zidtools
