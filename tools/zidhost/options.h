// zidhost's command line, and the site file that names several channels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/channel_config.h"

namespace zidhost {

struct Options {
    // One channel from --port and its kin, or one per section of --site.
    std::vector<zidtools::ChannelConfig> channels;
    std::string site;    // the site file, when channels come from one
    long pollMs = 20;    // how often the status words are read
    long tickMs = 50;    // the host's message tick
    double seconds = 0;  // 0: until stopped
    std::string checkTags, stopFile, stateFile, logFile, dll;
    std::string reportDir, capture, rebuildReport, siteName, operatorName;
    bool compose = false;
    bool version = false;
    bool verifyPackage = false;
    std::string packageDir;  // --verify-package's folder; empty: zidhost's own package
};

extern const char kUsage[];

enum class Parsed { kRun, kHelp, kBad };

// Parses the command line, and reads the site file when one is named.
// kBad leaves a message in error.
Parsed ParseOptions(int argc, char** argv, Options& options, std::string& error);

}  // namespace zidhost
