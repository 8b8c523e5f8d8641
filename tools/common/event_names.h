// The tools' one vocabulary of the panel's events, over the driver's own
// event table (panel/events.h): the word a scenario or a typed panel command
// uses for each event, the words people read in the records, and what kind
// of event it is, taken from the steps the driver carries out for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "panel/events.h"

namespace zidtools {

// What a scenario command of the event takes after its word.
enum class EventArguments { kNone, kLineAndDetector, kZone };

struct EventNames {
    zid::PanelEvent event;
    const char* command;  // scenario word: "fire-line"
    const char* words;    // for people and the journal: "fire (line)"
    EventArguments arguments;
};

const EventNames& NamesOf(zid::PanelEvent event);
std::optional<zid::PanelEvent> EventOfCommand(std::string_view command);
std::optional<zid::PanelEvent> EventOfWords(std::string_view words);

// The words of the event a panel line (without its NUL) announces, as the
// driver finds it; nullptr for a line with no event.
const char* LineEventWords(const std::string& line);

// A fire line: the driver sets the fire bit of the gate it names.
bool IsFireEvent(zid::PanelEvent event);
// The start of a fault: the driver sets the fault bit of the gate it names.
bool IsFaultStart(zid::PanelEvent event);

}  // namespace zidtools
