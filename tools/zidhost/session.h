// A zidhost run: the driver loaded as the host loads it, its channels
// started and their tags registered, the panel's lines and the gates and
// status words they change shown as they happen, typed commands carried
// out, and the final state reported when the run ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/common/driver_host.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/options.h"

namespace zidhost {

inline constexpr int kExitUsage = 2;
inline constexpr int kExitDll = 3;
inline constexpr int kExitPort = 4;
inline constexpr int kExitTags = 5;
inline constexpr int kExitNoAddress = 6;

// A tag as registered through command 3.
struct Tag {
    int lineNumber;
    std::string text;       // upper-cased by the driver
    int32_t pointType = 0;  // from command 3
    uint32_t gateId = 0;    // the host's id, for gate tags
    bool gate = false;
};

// Checks the tags of a file through command 3 of the channel, registering
// those the driver accepts; with defineGates the stand-in host first learns
// each gate, as a host's database knows its points. Refused tags are
// reported with their line number and the reason. Returns how many were
// refused, or -1 when the file cannot be read.
int RegisterTags(zidtools::DriverChannel& channel, const std::string& path, std::vector<Tag>& accepted,
                 bool defineGates);

class Session {
public:
    Session(const Options& options, const zidtools::DriverLibrary& driver);
    ~Session();
    // Runs until quit, Ctrl+C, --seconds or the stop file; the exit code.
    int Run();

private:
    struct Channel;
    bool StartChannels(int& exitCode);
    void Execute(const TypedCommand& command);
    void PollStatus(Channel& channel);
    std::string FinalState(int& unreadable);
    void Shutdown();

    const Options& options_;
    const zidtools::DriverLibrary& driver_;
    std::vector<std::unique_ptr<Channel>> channels_;
};

}  // namespace zidhost
