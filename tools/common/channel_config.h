// What zidhost needs to know of one channel of the driver, from its command
// line or from a site file with one section per channel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zidtools {

// Line settings given for a channel; a negative value was not given and
// leaves the driver's default.
struct LineSettings {
    long baud = -1, dataBits = -1, stopBits = -1, parity = -1, timeout = -1;
};

struct ChannelConfig {
    int32_t number = 1;    // the channel number passed to the driver
    std::string name;      // shown in the timeline; empty: "channel N"
    std::string port = "COM1";
    LineSettings line;
    std::string tags;      // tag file; empty: none
    int sourceLine = 0;    // site file: the line of the section's header
    int tagsLine = 0;      // site file: the line that names the tag file
};

// Applies one setting by its option name without the dashes: port, baud,
// data-bits, stop-bits, parity, timeout, tags, name. Values are written as on
// the command line (stop bits 1, 1.5 or 2; parity none, odd, even, mark or
// space). False with a message for an unknown key or a bad value.
bool ApplyChannelSetting(const std::string& key, const std::string& value, ChannelConfig& channel,
                         std::string& error);

// Reads a site file: "[channel N]" sections of "key = value" lines, '#'
// comments. Tag file paths are taken relative to the site file's folder
// (siteDir). Every error names the file and line. Nothing is checked beyond
// the text itself: whether tag files can be read is the caller's to check.
bool ParseSiteFile(const std::string& text, const std::string& path, const std::string& siteDir,
                   std::vector<ChannelConfig>& channels, std::string& error);

// The folder part of a path, with its separator ("" for a bare name).
std::string FolderOf(const std::string& path);

// The name a channel is shown by: its name, or "channel N".
std::string DisplayName(const ChannelConfig& channel);

// FILE with "-N" before its extension: the file of channel N when several
// channels each write one ("capture.txt" -> "capture-2.txt").
std::string PerChannelPath(const std::string& path, int32_t channel);

}  // namespace zidtools
