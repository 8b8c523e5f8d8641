// UTF-8 text out to a console or a file. The tools' texts are UTF-8 (Hebrew
// panel lines made readable); a Windows console shows them right only when
// they reach it as wide characters, while a file or pipe takes the UTF-8
// bytes as they are.
#pragma once

#include <cstdio>
#include <string>

namespace zidtools {

// Writes text to stream (stdout or stderr) and flushes it.
void WriteText(std::FILE* stream, const std::string& utf8);

}  // namespace zidtools
