// UTF-8 text to and from a console or a file. The tools' texts are UTF-8 (Hebrew
// panel lines made readable); a Windows console shows them right only when
// they reach it as wide characters, while a file or pipe takes the UTF-8
// bytes as they are.
#pragma once

#include <cstdio>
#include <string>

namespace zidtools {

// Writes text to stream (stdout or stderr) and flushes it.
void WriteText(std::FILE* stream, const std::string& utf8);

// The next line typed at standard input, as UTF-8, without its line end;
// false at the end of the input. A Windows console gives wide characters
// (Hebrew typed there arrives whole whatever the console's code page); a
// file or a pipe gives bytes, read as UTF-8 or, when they are not, as
// Windows-1255.
bool ReadTextLine(std::string& utf8);

}  // namespace zidtools
