// Tag files: one tag address per line, optionally followed by the device's
// type in brackets and a label that names the device for people
// ("031200  [smoke]  Lobby, 2nd floor"), read as every text file of the
// tools is read (tools/common/text_file.h: byte-order mark, line ends, '#'
// comments). A label that holds a '#' is written in double quotes:
// 031200 "Room #12, smoke". Blank lines are skipped; blanks around the
// address, the type and the label are ignored.
//
// A file that is not valid UTF-8 is read as Windows-1255, as an older
// Notepad on a Hebrew Windows saves it (text_encoding.h).
//
// The type is one of device_type.h's words. Brackets that hold no type stay
// part of the label, as they were before types existed, with a notice: a
// tag file written before stays valid, and a mistyped type is pointed out.
#pragma once

#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace zidtools {

struct TagLine {
    int lineNumber;     // from 1
    std::string tag;    // the first word, as written
    std::string label;  // the rest of the line, unquoted; may be empty
    std::string type;   // device_type.h's journal word; empty when not given
    std::string notice; // for people: brackets that name no type
};

// The tags of a tag file's bytes; path names the file in a failure.
Outcome<std::vector<TagLine>> ParseTagFile(const std::string& bytes, const std::string& path);

// True for a six-character gate form (the driver decides whether it is a
// valid gate address); false for status addresses and anything else.
bool LooksLikeGateTag(const std::string& tag);

}  // namespace zidtools
