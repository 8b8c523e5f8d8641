// A channel's tags: read from a tag file and checked with the driver's own
// rules before anything is opened, then registered through command 3.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/driver_host.h"
#include "tools/common/outcome.h"

namespace zidhost {

// A tag of a tag file.
struct Tag {
    int lineNumber;
    std::string text;       // upper-cased by the driver once registered
    std::string label;      // the words after the address in the tag file
    std::string type;       // the device's type from the tag file; empty: none given
    int32_t pointType = 0;  // from command 3
    uint32_t gateId = 0;    // the host's id, for gate tags
    bool gate = false;
};

struct CheckedTags {
    std::vector<Tag> accepted;
    int refused = 0;  // each reported with its line number and reason
};

// Reads and checks a tag file with the driver's own rules, without the
// driver. A file with no tag, a status tag that names no status word,
// brackets that name no device type and a file read as Windows-1255 are
// warned about. Fails when the file cannot be read as text.
zidtools::Outcome<CheckedTags> ReadTagFile(const std::string& path);

// Registers tags through command 3 of the channel; with defineGates the
// stand-in host first learns each gate, as a host's database knows its
// points. Those the driver refuses are reported and left out; returns how
// many it refused.
int RegisterTags(zidtools::DriverChannel& channel, const std::string& path, std::vector<Tag>& tags,
                 bool defineGates);

}  // namespace zidhost
