// zidhost's command line, and the site file that names several channels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/channel_config.h"
#include "tools/common/outcome.h"

namespace zidhost {

// --seconds at most: a week.
inline constexpr long kLongestRunSeconds = 7L * 24 * 3600;

struct Options {
    // One channel from --port and its kin, or one per section of --site.
    std::vector<zidtools::ChannelConfig> channels;
    zidtools::ChannelConfig commandLineChannel;
    std::string channelOption;  // the last of --port .. --tags given, if any
    std::string site;           // the site file, when channels come from one
    long pollMs = 20;           // how often the status words are read
    long tickMs = 50;           // the host's message tick
    long seconds = 0;           // 0: until stopped
    std::string checkTags, stopFile, stateFile, logFile, dll;
    std::string reportDir, capture, rebuildReport, siteName, operatorName;
    bool compose = false;
    bool version = false;
    bool help = false;
};

// The usage text: the options, the typed commands and the exit codes.
std::string Usage();

// Parses the command line, and reads the site file when one is named. The
// failure says what is wrong, naming the option or the file and line.
zidtools::Outcome<Options> ParseOptions(int argc, char** argv);

}  // namespace zidhost
