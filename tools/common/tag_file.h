// Tag files: one tag address per line, optionally followed by a label that
// names the device for people ("031200  Lobby, 2nd floor, smoke"). Blank
// lines are skipped; a '#' at the start of a line or after a blank begins a
// comment that runs to the line's end. Leading and trailing blanks are
// ignored.
#pragma once

#include <string>
#include <vector>

namespace zidtools {

struct TagLine {
    int lineNumber;     // 1-based
    std::string tag;    // the first word, as written
    std::string error;  // why the line is unusable; empty, as any word makes an address
    std::string label;  // the rest of the line, blanks around it removed; may be empty
};

std::vector<TagLine> ParseTagFile(const std::string& text);

// True for a six-character gate form (the driver decides whether it is a
// valid gate address); false for status addresses and anything else.
bool LooksLikeGateTag(const std::string& tag);

}  // namespace zidtools
