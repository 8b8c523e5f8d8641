#include "tools/common/event_names.h"

#include "panel/decoder.h"

namespace zidtools {
namespace {

using zid::PanelEvent;

// Indexed by PanelEvent.
constexpr EventNames kNames[zid::kPanelEventCount] = {
    {PanelEvent::FireLine, "fire-line", "fire (line)", EventArguments::kLineAndDetector},
    {PanelEvent::FireZone, "fire-zone", "fire (zone)", EventArguments::kZone},
    {PanelEvent::FaultLine, "fault-line", "fault (line)", EventArguments::kLineAndDetector},
    {PanelEvent::FaultZone, "fault-zone", "fault (zone)", EventArguments::kZone},
    {PanelEvent::FaultLineEnd, "fault-line-end", "end of fault (line)",
     EventArguments::kLineAndDetector},
    {PanelEvent::FaultZoneEnd, "fault-zone-end", "end of fault (zone)", EventArguments::kZone},
    {PanelEvent::PowerFaultEnd, "power-fault-end", "end of power fault", EventArguments::kNone},
    {PanelEvent::PowerFault, "power-fault", "power fault", EventArguments::kNone},
    {PanelEvent::SounderSilenced, "silence", "sounder silenced", EventArguments::kNone},
    {PanelEvent::TestEnd, "test-end", "test end", EventArguments::kNone},
    {PanelEvent::TestStart, "test-start", "test start", EventArguments::kNone},
    {PanelEvent::Reset, "reset", "reset", EventArguments::kNone},
};

constexpr bool InEventOrder() {
    for (int i = 0; i < zid::kPanelEventCount; ++i)
        if (static_cast<int>(kNames[i].event) != i) return false;
    return true;
}
static_assert(InEventOrder(), "kNames is indexed by PanelEvent");

// Whether the event's steps set the given bit of the gate its line names.
bool SetsBit(PanelEvent event, uint8_t bit) {
    for (const zid::ActionStep& step : zid::ActionOf(event).steps)
        if (step.kind == zid::StepKind::kGateBit && step.bit == bit && step.value != 0)
            return true;
    return false;
}

}  // namespace

const EventNames& NamesOf(PanelEvent event) { return kNames[static_cast<int>(event)]; }

std::optional<PanelEvent> EventOfCommand(std::string_view command) {
    for (const EventNames& names : kNames)
        if (command == names.command) return names.event;
    return std::nullopt;
}

std::optional<PanelEvent> EventOfWords(std::string_view words) {
    for (const EventNames& names : kNames)
        if (words == names.words) return names.event;
    return std::nullopt;
}

const char* LineEventWords(const std::string& line) {
    PanelEvent event;
    if (!zid::FindLineEvent(line.c_str(), &event)) return nullptr;
    return NamesOf(event).words;
}

bool IsFireEvent(PanelEvent event) { return SetsBit(event, zid::kFireBit); }
bool IsFaultStart(PanelEvent event) { return SetsBit(event, zid::kFaultBit); }

}  // namespace zidtools
