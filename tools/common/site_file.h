// Site files: several panels for one zidhost, a section [channel N] for
// each, with the settings of a channel (channel_config.h) as key = value
// lines. Tag files are found relative to the site file. A [record] section
// holds the walk-test record's identity (record_identity.h reads it).
#pragma once

#include <string>
#include <vector>

#include "tools/common/channel_config.h"
#include "tools/common/outcome.h"

namespace zidtools {

// Reads and checks a site file. Nothing is checked beyond its text: whether
// its tag files can be read is the caller's to check.
Outcome<std::vector<ChannelConfig>> ReadSiteFile(const std::string& path);

// The same from the file's bytes.
Outcome<std::vector<ChannelConfig>> ParseSiteFile(const std::string& bytes,
                                                  const std::string& path);

}  // namespace zidtools
