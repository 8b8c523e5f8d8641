// zidhost's command line, and the site file that names several channels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/channel_config.h"
#include "tools/common/outcome.h"
#include "tools/common/record_identity.h"
#include "tools/common/record_words.h"

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
    long reopenEvery = 0;       // --reopen-every's seconds; 0: no tries
    std::string checkTags, stopFile, stateFile, logFile, dll;
    std::string reportDir, capture, rebuildReport, siteName, operatorName;
    bool continueReport = false;  // --continue: carry on the walk test in reportDir
    zidtools::Language language = zidtools::Language::kEnglish;
    std::string recordFile;            // --record
    zidtools::RecordIdentity record;   // from --record or the site file's [record]
    std::vector<std::string> notices;  // for the engineer: files read as Windows-1255
    bool compose = false;
    bool version = false;
    bool help = false;
    bool verifyPackage = false;
    std::string packageDir;  // --verify-package's folder; empty: zidhost's own package
};

// The usage text: the options, the typed commands and the exit codes.
std::string Usage();

// Parses the command line, and reads the site file and the record file when
// they are named. The failure says what is wrong, naming the option or the
// file and line. A report folder that already holds a journal is refused
// unless --continue says to carry that walk test on: nothing is opened then.
zidtools::Outcome<Options> ParseOptions(int argc, char** argv);

}  // namespace zidhost
