// The encodings of the text files people bring to site. The tools keep
// UTF-8 everywhere; a file saved by an older Notepad on a Hebrew Windows is
// in Windows-1255 instead, and is read as such when it is not valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zidtools {

// Well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing above U+10FFFF. Plain ASCII is UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Windows-1255 (Hebrew) to UTF-8; a byte the code page leaves undefined
// becomes U+FFFD.
std::string Windows1255ToUtf8(std::string_view bytes);

// A file's text as UTF-8: itself when it is valid UTF-8, else read as
// Windows-1255, which fromWindows1255 then tells (the tools say so).
struct Utf8Text {
    std::string text;
    bool fromWindows1255 = false;
};
Utf8Text AsUtf8Text(std::string bytes);

// The notice the tools give for such a file.
std::string Windows1255Notice(const std::string& path);

// Text that may hold bytes that are no UTF-8 (a damaged journal), with each
// such byte replaced by U+FFFD, so that a document built from it stays valid.
std::string ValidUtf8(std::string_view bytes);

}  // namespace zidtools
