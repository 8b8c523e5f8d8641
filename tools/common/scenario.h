// Panel commands, from a scenario file or typed at zidpanel's prompt: an
// event of the panel with its line, detector or zone, raw bytes, or a pause.
// Captures that zidhost writes are scenarios too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/common/line_composer.h"
#include "tools/common/outcome.h"

namespace zidtools {

struct PanelCommand {
    enum Kind { kEvent, kRaw, kWait, kHelp, kQuit } kind = kEvent;
    zid::PanelLineFields fields{};  // kEvent
    std::string bytes;              // kRaw: exactly the bytes to send
    int milliseconds = 0;           // kWait
};

// Parses one line: nothing for a blank line or a comment ('#' at the start
// of the line or after a blank, as in every text file of the tools). The
// failure says what is wrong.
Outcome<std::optional<PanelCommand>> ParseCommand(const std::string& text);

// Reads a scenario file whole; the failure names the file and each bad line.
Outcome<std::vector<PanelCommand>> ReadScenario(const std::string& path);

// The command words and their arguments, for --help and the prompt's help.
const char* CommandHelp();

// Builds the bytes of an event line (the composed line and its NUL). Empty
// when the composer cannot express the fields.
std::string EventBytes(const zid::PanelLineFields& fields);

// Six-digit address of the gate an event addresses; empty for events
// without a gate.
std::string GateOf(const zid::PanelLineFields& fields);

// A short name of an event ("fire (line), line 03 detector 12").
std::string EventName(const zid::PanelLineFields& fields);

}  // namespace zidtools
