#include "tools/zidhost/records.h"

#include "tools/common/readable.h"
#include "tools/zidhost/output.h"

namespace zidhost {
namespace {

const char* RefusalText(Refusal why) {
    switch (why) {
        case Refusal::kEmpty: return "an empty line";
        case Refusal::kOverlong:
            return "longer than 100 characters; its first 100 are dropped, and the rest follows as "
                   "a line of its own";
        case Refusal::kCutOff: return "cut off: nothing more came within the read timeouts";
    }
    return "?";
}

}  // namespace

std::string Records::Prefix(const ChannelTag* channel) const {
    if (!namesChannels_ || channel == nullptr) return {};
    return channel->display + ": ";
}

void Records::Note(const char* kind, const std::string& text) {
    Timeline(kind, "%s", text.c_str());
}

void Records::Log(const ChannelTag* channel, const std::string& line) {
    Timeline("log", "%s%s", Prefix(channel).c_str(), Escaped(line.c_str()).c_str());
}

void Records::Line(const ChannelTag& channel, const std::string& bytes,
                   std::optional<zid::PanelEvent> event, bool restOfRefused) {
    std::string marks;
    if (!event) marks += "  [no event]";
    if (restOfRefused) marks += "  [rest of the refused line]";
    Timeline("panel", "%s%s%s", Prefix(&channel).c_str(),
             zidtools::ReadablePanelLine(bytes).c_str(), marks.c_str());
}

void Records::Refused(const ChannelTag& channel, Refusal why, const std::string& bufferedLine) {
    std::string text = std::string("line refused: ") + RefusalText(why);
    if (!bufferedLine.empty()) text += ": " + zidtools::ReadablePanelLine(bufferedLine);
    Timeline("reject", "%s%s", Prefix(&channel).c_str(), text.c_str());
}

void Records::Gate(const ChannelTag& channel, const std::string& address, const std::string& label,
                   uint16_t before, uint16_t after) {
    Timeline("gate", "%s%s  0x%04X -> 0x%04X  %s  (channel %d)%s%s", Prefix(&channel).c_str(),
             address.c_str(), before, after, BitChanges(before, after).c_str(), channel.number,
             label.empty() ? "" : "  ", label.c_str());
}

void Records::UnknownGate(const ChannelTag& channel, const std::string& address,
                          std::optional<zid::PanelEvent>) {
    Timeline("nogate", "%s%s  not a gate of the host: the panel named an address no point uses",
             Prefix(&channel).c_str(), address.c_str());
}

void Records::Status(const ChannelTag& channel, char word, uint16_t before, uint16_t after) {
    Timeline("status", "%s%c %u -> %u", Prefix(&channel).c_str(), word, before, after);
}

void Records::StatusNow(const ChannelTag& channel, const uint16_t w[4]) {
    Timeline("status", "%sT=%u F=%u R=%u S=%u", Prefix(&channel).c_str(), w[0], w[1], w[2], w[3]);
}

void Records::Port(const ChannelTag& channel, bool open, const std::string& text) {
    if (open) {
        Timeline("port", "%s%s", Prefix(&channel).c_str(), text.c_str());
    } else {
        Timeline("port", "%sNOT LISTENING: %s %s", Prefix(&channel).c_str(),
                 channel.display.c_str(), text.c_str());
    }
}

void Records::Command(const ChannelTag* channel, const std::string& text) {
    Timeline("cmd", "%s%s", Prefix(channel).c_str(), text.c_str());
}

}  // namespace zidhost
