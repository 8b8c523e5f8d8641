#include "tools/common/console_text.h"

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

}  // namespace zidtools
