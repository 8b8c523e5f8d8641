#include "tools/zidhost/console.h"

#include "tools/common/console_text.h"
#include "tools/common/utf8_text.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace zidhost {
namespace {

std::mutex gOut;
const auto gStart = std::chrono::steady_clock::now();

}  // namespace

double Elapsed() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
}

namespace {

// The whole text, however long: a message is never cut. Bytes that are not
// UTF-8 (a name from a file in another encoding) are written as \xNN, so the
// console and any file it goes to get valid UTF-8.
std::string Formatted(const char* format, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return format;
    if (static_cast<size_t>(n) < sizeof small)
        return zidtools::WithBadBytesEscaped(std::string_view(small, static_cast<size_t>(n)));
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.pop_back();
    return zidtools::WithBadBytesEscaped(text);
}

}  // namespace

void Timeline(const char* kind, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Formatted(format, args);
    va_end(args);
    char head[32];
    std::snprintf(head, sizeof head, "[%8.3f] %-6s ", Elapsed(), kind);
    std::lock_guard<std::mutex> guard(gOut);
    zidtools::WriteText(stdout, head + text + "\n");
}

void Error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Formatted(format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(gOut);
    std::fflush(stdout);
    zidtools::WriteText(stderr, "zidhost: " + text + "\n");
}

void ReportSkippedRows(const std::string& journal,
                       const std::vector<zidtools::JournalProblem>& skipped) {
    std::string text;
    for (const zidtools::JournalProblem& row : skipped)
        text += "zidhost: " + journal + ":" + std::to_string(row.line) + ": row left out: " + row.why +
                "\n";
    text += "zidhost: the journal " + journal + " was damaged: " + std::to_string(skipped.size()) +
            " row(s) left out; the report was written from the other rows and says so at its top\n";
    std::lock_guard<std::mutex> guard(gOut);
    std::fflush(stdout);
    zidtools::WriteText(stderr, zidtools::WithBadBytesEscaped(text));
}

void PrintBlock(const std::string& text) {
    std::lock_guard<std::mutex> guard(gOut);
    zidtools::WriteText(stdout, zidtools::WithBadBytesEscaped(text));
}

std::string Escaped(const char* text) {
    std::string out;
    char esc[8];
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p >= 0x20 && *p < 0x7F) {
            out += static_cast<char>(*p);
        } else {
            std::snprintf(esc, sizeof esc, "\\x%02X", *p);
            out += esc;
        }
    }
    return out;
}

std::string BitChanges(uint16_t before, uint16_t after) {
    std::string out;
    const uint16_t changed = before ^ after;
    const struct {
        uint16_t mask;
        const char* name;
    } bits[] = {{1, "fire"}, {2, "fault"}};
    for (const auto& b : bits) {
        if (!(changed & b.mask)) continue;
        if (!out.empty()) out += ", ";
        out += b.name;
        out += (after & b.mask) ? " on" : " off";
    }
    if (changed & ~3u) out += out.empty() ? "other bits" : ", other bits";
    return out;
}

}  // namespace zidhost
