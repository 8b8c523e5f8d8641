// One channel of a zidhost run, as the session's files share it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host_abi/commands.h"
#include "panel/events.h"
#include "tools/common/channel_config.h"
#include "tools/common/driver_host.h"
#include "tools/zidhost/records.h"
#include "tools/zidhost/reopen_schedule.h"
#include "tools/zidhost/session.h"
#include "tools/zidhost/tag_registration.h"

namespace zidhost {

// The status words in the order they are shown, with their point types: the
// panel's four, then the port's.
struct StatusWordName {
    char letter;
    zid::PointType type;
};
inline constexpr StatusWordName kStatusWords[] = {
    {'T', zid::PointType::kStatusT}, {'F', zid::PointType::kStatusF},
    {'R', zid::PointType::kStatusR}, {'S', zid::PointType::kStatusS},
    {'C', zid::PointType::kStatusC}};
inline constexpr int kStatusWordCount = static_cast<int>(std::size(kStatusWords));
inline constexpr int kPortWord = kStatusWordCount - 1;  // !C: 1 while the port does not answer

struct Session::Channel {
    zidtools::ChannelConfig config;
    ChannelTag tag;
    zidtools::DriverChannel driver;
    std::vector<Tag> tags;
    std::map<std::string, std::string> labels;  // gate address -> its label
    uint8_t client = 0;
    uint16_t status[kStatusWordCount] = {};
    // The port's answer, on the host thread: since when it has not answered
    // (!C 1, SteadyMs), and the tries to bring it back.
    int64_t silentSinceMs = 0;
    ReopenSchedule reopen;
    bool started = false;
    std::atomic<int> linesRead{0};
    std::atomic<bool> threadStarted{false};
    std::atomic<bool> shutDownLogged{false};
    // Kept by the receiver thread's log lines, on that thread only.
    bool cutOffBefore = false;  // "Failed to read a character" came just before
    bool restFollows = false;   // an over-long line was rejected: its rest comes next
    std::optional<zid::PanelEvent> lineEvent;  // of the line being decoded

    Channel(const zidtools::ChannelConfig& c, const zidtools::DriverLibrary& library,
            long reopenEvery)
        : config(c), tag{c.number, zidtools::DisplayName(c)}, driver(library, c.number),
          reopen(reopenEvery) {}
};

// "COM3 9600 8N1"
std::string PortText(const zid::PortSettings& settings);

// Milliseconds of a clock that never runs back, for the re-open tries.
inline int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace zidhost

namespace zidhost {

// Whether the run was asked to stop: quit, Ctrl+C. Any thread may ask.
void RequestStop();
bool StopRequested();

// Starts reading the lines typed at the console on a thread of its own;
// Session::TakeTypedCommands carries them out on the host thread.
void StartReadingTypedCommands();

}  // namespace zidhost
