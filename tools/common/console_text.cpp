#include "tools/common/console_text.h"

#include <iostream>

#include "tools/common/text_encoding.h"

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#endif

namespace zidtools {

void WriteText(std::FILE* stream, const std::string& utf8) {
#ifdef _WIN32
    // A console reads bytes in its own code page, and the C runtime widens
    // them by the ANSI one on the way: either way UTF-8 arrives as mojibake.
    // Wide characters reach every console as they are, whatever its page.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                          nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

bool ReadTextLine(std::string& utf8) {
#ifdef _WIN32
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode)) {
        std::wstring line;
        wchar_t chunk[256];
        for (;;) {
            DWORD read = 0;
            if (!ReadConsoleW(input, chunk, 256, &read, nullptr) || read == 0) {
                if (line.empty()) return false;
                break;
            }
            line.append(chunk, read);
            if (line.back() == L'\n') break;
        }
        while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
        const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
        utf8.assign(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(), n,
                            nullptr, nullptr);
        return true;
    }
#endif
    std::string line;
    if (!std::getline(std::cin, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    utf8 = AsUtf8Text(std::move(line)).text;
    return true;
}

}  // namespace zidtools
