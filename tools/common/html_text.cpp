#include "tools/common/html_text.h"

#include <cstdio>

#include "tools/common/text_encoding.h"

namespace zidtools {
namespace {

void AppendValid(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            case '\r':
            case '\n': out += ' '; break;
            default:
                if ((byte < 0x20 && c != '\t') || byte == 0x7F)
                    out += "\xEF\xBF\xBD";
                else
                    out += c;
        }
    }
}

}  // namespace

void AppendHtml(std::string& out, std::string_view text) {
    if (IsValidUtf8(text)) {
        AppendValid(out, text);
    } else {
        AppendValid(out, ValidUtf8(text));
    }
}

std::string Html(std::string_view text) {
    std::string out;
    AppendHtml(out, text);
    return out;
}

void AppendIsolated(std::string& out, std::string_view text) {
    out += "<bdi>";
    AppendHtml(out, text);
    out += "</bdi>";
}

void AppendLtr(std::string& out, std::string_view text) {
    out += "<span class=\"ltr\">";
    AppendHtml(out, text);
    out += "</span>";
}

std::string CssString(std::string_view text) {
    const std::string valid = ValidUtf8(text);
    std::string out = "\"";
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ' ';
        if (plain) {
            out += c;
            continue;
        }
        char escape[8];
        // The blank after the hex ends the escape, whatever follows.
        std::snprintf(escape, sizeof escape, "\\%X ", byte < 0x20 ? 0x20u : byte);
        out += escape;
    }
    return out + "\"";
}

}  // namespace zidtools
