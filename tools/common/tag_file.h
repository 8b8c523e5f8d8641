// Tag files: one tag address per line. Blank lines are skipped; a '#' at the
// start of a line or after a blank begins a comment that runs to the line's
// end. Leading and trailing blanks are ignored.
#pragma once

#include <string>
#include <vector>

namespace zidtools {

struct TagLine {
    int lineNumber;   // 1-based
    std::string tag;  // as written; empty when error is set
    std::string error;  // a line that holds more than one word
};

std::vector<TagLine> ParseTagFile(const std::string& text);

// True for a six-character gate form (the driver decides whether it is a
// valid gate address); false for status addresses and anything else.
bool LooksLikeGateTag(const std::string& tag);

}  // namespace zidtools
