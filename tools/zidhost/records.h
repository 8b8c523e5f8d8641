// Everything a zidhost run records: the timeline on the console and, when
// asked, the session journal (DIR/events.csv, from which the walk-test report
// is built) and the capture of every line the driver read. One call per
// thing that happens; any thread may call.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "panel/events.h"
#include "tools/common/journal_writer.h"
#include "tools/common/outcome.h"
#include "tools/common/start_facts.h"

namespace zidhost {

// What the records know of a channel.
struct ChannelTag {
    int32_t number = 0;
    std::string display;  // "North wing", "channel 2"
};

// Why the driver rejected a line.
enum class Rejection {
    kEmpty,      // a NUL with no character before it
    kOverlong,   // more than 100 characters: the rest follows as a line of its own
    kCutOff,     // given up after a pause, or a port that failed
};

class Records {
public:
    // With several channels every timeline line names its channel.
    explicit Records(bool namesChannels) : namesChannels_(namesChannels) {}
    ~Records();

    // The journal in reportDir (made when missing; one there is carried on).
    zidtools::Status OpenJournal(const std::string& reportDir);
    // Every row of the journal so far, when one was added since the last
    // call: what the live walk-test record is built from.
    bool RowsIfChanged(std::vector<zidtools::JournalRow>& rows);
    // The rows taken could not be used: give them again next time.
    void RowsChangedAgain();
    // A capture file for the channel; its first lines say what it holds.
    zidtools::Status OpenCapture(const ChannelTag& channel, const std::string& path,
                                 const std::string& port, const std::string& settings);

    void Note(const char* kind, const std::string& text);  // timeline only
    void Start(const ChannelTag& channel, const zidtools::StartFacts& facts);
    // type: device_type.h's word from the tag file, or empty.
    void TagRegistered(const ChannelTag& channel, const std::string& address,
                       const std::string& label, const std::string& type);
    void Log(const ChannelTag* channel, const std::string& line);
    // A line the driver read. event: what it announces (none: no event).
    void Line(const ChannelTag& channel, const std::string& bytes,
              std::optional<zid::PanelEvent> event, bool restOfRejected);
    void Rejected(const ChannelTag& channel, Rejection why, const std::string& bufferedLine);
    // A gate the driver wrote: a change, or a fire or fault-start line
    // (event) that found its bit set already.
    void Gate(const ChannelTag& channel, const std::string& address, const std::string& label,
              uint16_t before, uint16_t after, std::optional<zid::PanelEvent> event);
    void UnknownGate(const ChannelTag& channel, const std::string& address,
                     std::optional<zid::PanelEvent> event);
    void Status(const ChannelTag& channel, char word, uint16_t before, uint16_t after);
    void StatusNow(const ChannelTag& channel, const uint16_t words[5]);  // T F R S C
    // !C changed: the channel's port stopped answering (after 1) or answers
    // again (after 0). A status row, and a line the engineer cannot miss.
    void PortAnswer(const ChannelTag& channel, uint16_t before, uint16_t after,
                    const std::string& text);
    // The port opened, closed or failed. A channel left without a port is
    // announced loudly: it hears nothing from its panel.
    void Port(const ChannelTag& channel, bool open, const std::string& text);
    void Command(const ChannelTag* channel, const std::string& text);
    // The engineer's remark on a device; note says more for the timeline.
    void Remark(const ChannelTag& channel, const std::string& address, const std::string& label,
                const std::string& text, const std::string& note);
    void Stop(const ChannelTag& channel);

private:
    struct Capture {
        std::FILE* file = nullptr;
        std::chrono::steady_clock::time_point last{};
        bool any = false;
    };
    std::string Prefix(const ChannelTag* channel) const;
    void Row(const ChannelTag* channel, const char* kind, const std::string& address,
             const std::string& label, const std::string& oldValue, const std::string& newValue,
             const std::string& text);
    void Captured(const ChannelTag& channel, const std::string& bytes, bool rejected);

    bool namesChannels_;
    zidtools::JournalWriter journal_;
    bool journalFailed_ = false;
    std::mutex rowsLock_;
    std::vector<zidtools::JournalRow> rows_;  // the journal's, for the live record
    bool rowsChanged_ = false;
    std::mutex captureLock_;
    std::map<int32_t, Capture> captures_;
};

}  // namespace zidhost
