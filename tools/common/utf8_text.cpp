#include "tools/common/utf8_text.h"

#include <cstdio>

namespace zidtools {
namespace {

// The length of the valid UTF-8 sequence at text[at] (1 for ASCII but NUL);
// 0 when the byte there starts none.
size_t SequenceAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    if (lead == 0) return 0;
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) return 0;
    return length;
}

void AppendEscape(std::string& out, unsigned char c) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", c);
    out += escape;
}

}  // namespace

std::optional<size_t> BadUtf8At(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c != 0 && c < 0x80) {  // most text is ASCII
            ++at;
            continue;
        }
        const size_t length = SequenceAt(text, at);
        if (length == 0) return at;
        at += length;
    }
    return std::nullopt;
}

std::string WithBadBytesEscaped(std::string_view text) {
    if (!BadUtf8At(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t at = 0; at < text.size();) {
        const size_t length = SequenceAt(text, at);
        if (length == 0) {
            AppendEscape(out, static_cast<unsigned char>(text[at++]));
            continue;
        }
        out.append(text, at, length);
        at += length;
    }
    return out;
}

std::string ShownToken(std::string_view text, size_t most) {
    std::string out;
    size_t at = 0;
    while (at < text.size() && out.size() < most) {
        const size_t length = SequenceAt(text, at);
        const auto c = static_cast<unsigned char>(text[at]);
        if (length == 0 || c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
            ++at;
            continue;
        }
        out.append(text, at, length);
        at += length;
    }
    if (at < text.size()) out += "… (cut: " + std::to_string(text.size()) + " bytes in all)";
    return out;
}

}  // namespace zidtools
