// Text files as people save them, read one way for every kind the tools
// take: tag files, site files and scenarios.
//
// - A UTF-8 byte-order mark (Notepad writes one) is skipped.
// - LF, CRLF and a lone CR (old Mac editors, some exports) each end a line,
//   mixed in one file; line numbers count every line end.
// - A NUL byte means the file is not text: it is refused, naming the line.
// - A '#' that starts a line or follows a blank begins a comment that runs
//   to the line's end, unless it stands inside a quoted text: a double quote
//   that starts a word opens one, and the next double quote closes it
//   ("Room #12, smoke"). A quote inside a word (a Hebrew abbreviation) is a
//   character like any other.
#pragma once

#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace zidtools {

struct TextLine {
    int number;        // from 1
    std::string text;  // without its line end
};

// The lines of a file's bytes; path names the file in the failure.
Outcome<std::vector<TextLine>> SplitTextLines(const std::string& bytes, const std::string& path);

// Reads a file and splits it; what names the kind of file in the failure
// ("the tag file").
Outcome<std::vector<TextLine>> ReadTextFile(const std::string& path, const std::string& what);

// The line without its comment.
std::string WithoutComment(const std::string& line);

// Blanks are spaces and tabs (and the other ASCII white space but line ends).
bool IsBlank(char c);
std::string Trim(const std::string& text);

// A text that starts and ends with a double quote, without them, with each
// doubled quote inside read as one; any other text as it is.
std::string Unquoted(const std::string& text);

// The blank-separated words of a line.
std::vector<std::string> WordsOf(const std::string& line);

}  // namespace zidtools
