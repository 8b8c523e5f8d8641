// Panel lines made readable in a UTF-8 terminal.
#pragma once

#include <string>

namespace zidtools {

// The panel writes Hebrew in code page 862 and in visual order. This gives
// the line in UTF-8 and in logical order: letters 0x80..0x9A become U+05D0..
// U+05EA, and every run of Hebrew (letters, with the blanks and punctuation
// between them) is reversed, while digits and Latin text stay left to right.
// Other bytes that are not printable ASCII are shown as \xNN.
std::string ReadablePanelLine(const std::string& line);

// The bytes as hex pairs separated by blanks ("3E 3E 45").
std::string HexBytes(const std::string& bytes);

}  // namespace zidtools

namespace zidtools {

// Windows opens COM10 and above only by their device path: "COM12" becomes
// "\\.\COM12". Every other name is returned as it is.
std::string DevicePortName(const std::string& name);

}  // namespace zidtools
