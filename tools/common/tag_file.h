// Tag files: one tag address per line, optionally followed by a label that
// names the device for people ("031200  Lobby, 2nd floor, smoke"), read as
// every text file of the tools is read (tools/common/text_file.h: byte-order
// mark, line ends, '#' comments). A label that holds a '#' is written in
// double quotes: 031200 "Room #12, smoke". Blank lines are skipped; blanks
// around the address and the label are ignored.
#pragma once

#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace zidtools {

struct TagLine {
    int lineNumber;     // from 1
    std::string tag;    // the first word, as written
    std::string label;  // the rest of the line, unquoted; may be empty
};

// The tags of a tag file's bytes; path names the file in a failure.
Outcome<std::vector<TagLine>> ParseTagFile(const std::string& bytes, const std::string& path);

// True for a six-character gate form (the driver decides whether it is a
// valid gate address); false for status addresses and anything else.
bool LooksLikeGateTag(const std::string& tag);

}  // namespace zidtools
