// Files of sections and settings, as a site file is written:
//
//   # North wing
//   [channel 1]
//   port = COM3
//   name = "North, lobby # 2"
//
// Read as every text file of the tools is read (text_file.h). A value may be
// quoted to hold a '#' or blanks at its ends. A key given twice in one
// section is refused, so a copied line cannot silently win over the first.
// Every failure names the file and the line.
#pragma once

#include <string>
#include <vector>

#include "tools/common/outcome.h"
#include "tools/common/text_file.h"

namespace zidtools {

struct KeySetting {
    int line;
    std::string key, value;
};

struct KeySection {
    int line;          // of its header
    std::string name;  // between the brackets, blanks trimmed
    std::vector<KeySetting> settings;
};

// A setting before the first section header is refused.
Outcome<std::vector<KeySection>> ParseKeyFile(const std::vector<TextLine>& lines,
                                              const std::string& path);

// "path:line: why"
std::string AtLine(const std::string& path, int line, const std::string& why);

}  // namespace zidtools
