// What zidhost needs to know of one channel of the driver, from its command
// line or from a section of a site file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/common/line_settings.h"
#include "tools/common/outcome.h"

namespace zidtools {

struct ChannelConfig {
    int32_t number = 1;    // the channel number passed to the driver
    std::string name;      // shown in the timeline; empty: "channel N"
    std::string port = "COM1";
    LineSettings line;
    std::string tags;      // tag file; empty: none
    int sourceLine = 0;    // site file: the line of the section's header
    int tagsLine = 0;      // site file: the line that names the tag file
};

// The settings of a channel by their names (the options without their
// dashes): port, baud, data-bits, stop-bits, parity, timeout, tags, name.
inline constexpr char kChannelSettingNames[] =
    "port, baud, data-bits, stop-bits, parity, timeout, tags, name";
bool IsChannelSetting(std::string_view name);

// Sets one of them, its value written as on the command line. The failure
// says what the value may be.
Status ApplyChannelSetting(std::string_view name, const std::string& value,
                           ChannelConfig& channel);

// The name a channel is shown by: its name, or "channel N".
std::string DisplayName(const ChannelConfig& channel);

}  // namespace zidtools
