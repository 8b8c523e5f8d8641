// A zidhost run: the driver loaded as the host loads it, its channels
// started and their tags registered, the panel's lines and the gates and
// status words they change recorded as they happen, typed commands carried
// out, and the final state reported when the run ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/common/driver_host.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/options.h"
#include "tools/zidhost/records.h"

namespace zidhost {

inline constexpr int kExitUsage = 2;
inline constexpr int kExitDll = 3;
inline constexpr int kExitPort = 4;
inline constexpr int kExitTags = 5;
inline constexpr int kExitNoAddress = 6;

// A tag of a tag file.
struct Tag {
    int lineNumber;
    std::string text;       // upper-cased by the driver once registered
    std::string label;      // the words after the address in the tag file
    int32_t pointType = 0;  // from command 3
    uint32_t gateId = 0;    // the host's id, for gate tags
    bool gate = false;
};

// Reads and checks a tag file with the driver's own rules, without the
// driver: refused tags are reported with their line number and reason, a
// file with no tag and a status tag that names no status word are warned
// about. Returns how many were refused, or -1 when the file cannot be read.
int ReadTagFile(const std::string& path, std::vector<Tag>& tags);

// Registers tags through command 3 of the channel; with defineGates the
// stand-in host first learns each gate, as a host's database knows its
// points. Those the driver refuses are reported and left out; returns how
// many it refused.
int RegisterTags(zidtools::DriverChannel& channel, const std::string& path, std::vector<Tag>& tags,
                 bool defineGates);

class Session {
public:
    Session(const Options& options, const zidtools::DriverLibrary& driver);
    ~Session();
    // Runs until quit, Ctrl+C, --seconds or the stop file; the exit code.
    int Run();

    struct Channel;
    // Called by the host library's sinks, on the thread that logged.
    void OnLog(const char* line);
    void OnGate(uint8_t channel, const char* address, uint16_t before, uint16_t after);

private:
    bool CheckInputs(int& exitCode);
    zidtools::StartFacts StartFactsOf(const Channel& c) const;
    void FinishReport();
    int StartChannels();
    void Execute(const TypedCommand& command);
    void Act(Channel& c, const TypedCommand& command);
    void ShowPort(Channel& c, const char* after);
    void PollStatus(Channel& c);
    void WriteFinalState(int& unreadable);
    void Shutdown();
    Channel* Find(int32_t number);
    Channel* Attribute();

    const Options& options_;
    const zidtools::DriverLibrary& driver_;
    Records records_;
    std::vector<std::unique_ptr<Channel>> channels_;
    Channel* commandChannel_ = nullptr;  // whose command runs on the host thread
    std::atomic<Channel*> lastStarted_{nullptr};  // read by receiver threads
    unsigned long hostThread_ = 0;
};

}  // namespace zidhost
