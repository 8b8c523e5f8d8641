#include "tools/zidhost/console.h"

#include "tools/common/console_text.h"

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

void Timeline(const char* kind, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char line[1100];
    std::snprintf(line, sizeof line, "[%8.3f] %-6s %s\n", Elapsed(), kind, text);
    std::lock_guard<std::mutex> guard(gOut);
    zidtools::WriteText(stdout, line);
}

void Error(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(gOut);
    std::fflush(stdout);
    zidtools::WriteText(stderr, std::string("zidhost: ") + text + "\n");
}

void PrintBlock(const std::string& text) {
    std::lock_guard<std::mutex> guard(gOut);
    zidtools::WriteText(stdout, text);
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
