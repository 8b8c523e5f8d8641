#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/common/file_facts.h"

namespace zidtools {

namespace {

// A string of the resource's first translation, or of the usual US English
// ones when it lists none; empty when it is not there.
std::string VersionString(const std::vector<char>& info, const char* key) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    std::vector<Translation> tried = {{0x0409, 1200}, {0x0409, 1252}};
    void* table = nullptr;
    UINT tableSize = 0;
    if (VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &table, &tableSize) &&
        tableSize >= sizeof(Translation)) {
        tried.insert(tried.begin(), *static_cast<const Translation*>(table));
    }
    for (const Translation& t : tried) {
        char path[64];
        snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", t.language, t.codePage, key);
        void* text = nullptr;
        UINT length = 0;
        if (VerQueryValueA(info.data(), path, &text, &length) && text != nullptr && length > 0) {
            const char* s = static_cast<const char*>(text);
            return std::string(s, strnlen(s, length));
        }
    }
    return "";
}

}  // namespace

std::string FileVersionText(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return "";

    std::string text;
    void* fixedData = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueA(info.data(), "\\", &fixedData, &fixedSize) &&
        fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedData);
        if (fixed->dwSignature == 0xFEEF04BD) {
            char number[48];
            const unsigned build = LOWORD(fixed->dwFileVersionLS);
            snprintf(number, sizeof number, "%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                     LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS));
            text = number;
            if (build != 0) text += "." + std::to_string(build);
        }
    }
    std::string strings;
    for (const char* key : {"FileVersion", "ProductVersion"}) {
        const std::string value = VersionString(info, key);
        if (value.empty()) continue;
        strings += (strings.empty() ? "" : ", ") + std::string(key) + " " + value;
    }
    if (!strings.empty()) text += (text.empty() ? "(" : " (") + strings + ")";
    return text;
}

}  // namespace zidtools
