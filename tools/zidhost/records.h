// Everything a zidhost run records: the timeline on the console, and (when
// asked) the session journal and the line capture. One call per thing that
// happens; any thread may call, each call writes whole lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "panel/events.h"

namespace zidhost {

// What the records know of a channel.
struct ChannelTag {
    int32_t number = 0;
    std::string display;  // "North wing", "channel 2"
};

enum class Refusal {
    kEmpty,      // a NUL with no character before it
    kOverlong,   // more than 100 characters: the rest follows as a line of its own
    kCutOff,     // given up after a pause, or a port that failed
};

class Records {
public:
    // With several channels every line names its channel.
    explicit Records(bool namesChannels) : namesChannels_(namesChannels) {}

    void Note(const char* kind, const std::string& text);  // a line of no channel
    void Log(const ChannelTag* channel, const std::string& line);
    // A line the driver read. event: what it announces (none: no event).
    void Line(const ChannelTag& channel, const std::string& bytes,
              std::optional<zid::PanelEvent> event, bool restOfRefused);
    void Refused(const ChannelTag& channel, Refusal why, const std::string& bufferedLine);
    void Gate(const ChannelTag& channel, const std::string& address, const std::string& label,
              uint16_t before, uint16_t after);
    void UnknownGate(const ChannelTag& channel, const std::string& address,
                     std::optional<zid::PanelEvent> event);
    void Status(const ChannelTag& channel, char word, uint16_t before, uint16_t after);
    void StatusNow(const ChannelTag& channel, const uint16_t words[4]);  // T F R S
    // The port opened, closed or failed. A channel left without a port is
    // announced loudly: it hears nothing from its panel.
    void Port(const ChannelTag& channel, bool open, const std::string& text);
    void Command(const ChannelTag* channel, const std::string& text);

private:
    std::string Prefix(const ChannelTag* channel) const;
    bool namesChannels_;
};

}  // namespace zidhost
