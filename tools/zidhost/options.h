// zidhost's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/driver_host.h"

namespace zidhost {

// One channel of the driver: its number, port, line and tags.
struct ChannelOptions {
    int32_t number = 1;
    std::string port = "COM1";
    zidtools::LineSettings line;
    std::string tags;  // tag file; empty: none
};

struct Options {
    std::vector<ChannelOptions> channels;
    long pollMs = 20;   // how often the status words are read
    long tickMs = 50;   // the host's message tick
    double seconds = 0;  // 0: until stopped
    std::string checkTags, stopFile, stateFile, logFile, dll;
    bool compose = false;
};

extern const char kUsage[];

enum class Parsed { kRun, kHelp, kBad };

// Parses the command line. kBad leaves a message in error.
Parsed ParseOptions(int argc, char** argv, Options& options, std::string& error);

}  // namespace zidhost
