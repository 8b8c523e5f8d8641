// Panel commands, from a scenario file or typed at zidpanel's prompt, and a
// model of what the driver should make of them (the expected gates and
// status words).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "panel/decoder.h"
#include "tools/common/line_composer.h"

namespace zidtools {

struct PanelCommand {
    enum Kind { kEvent, kRaw, kWait, kHelp, kQuit } kind = kEvent;
    zid::PanelLineFields fields{};  // kEvent
    std::string bytes;              // kRaw: exactly the bytes to send
    int milliseconds = 0;           // kWait
};

// Parses one command line (comments after '#' and blank lines give ok with
// nothing in commands). Returns false with a message for a bad command.
bool ParseCommand(const std::string& text, std::vector<PanelCommand>& commands,
                  std::string& error);

// The command words and their arguments, for --help and the prompt's help.
const char* CommandHelp();

// Builds the bytes of an event line (the composed line and its NUL). Empty
// when the composer cannot express the fields.
std::string EventBytes(const zid::PanelLineFields& fields);

// Six-digit address of the gate an event addresses; empty for events
// without a gate.
std::string GateOf(const zid::PanelLineFields& fields);

// What the driver's gates and status words should show after the events,
// starting from a zero-filled context and gates at 0.
struct PanelModel {
    std::map<std::string, uint16_t> gates;  // every gate an event addressed
    // Each gate's values after every change, in order.
    std::map<std::string, std::vector<uint16_t>> history;
    uint16_t T = 0, F = 0, R = 0, S = 0;
    // How many fire and fault lines named each gate (the walk test counts
    // these for an address the host does not know).
    std::map<std::string, std::pair<int, int>> namedBy;
    int rawLines = 0;                       // sent, not modelled

    void Apply(const PanelCommand& command);
    // "gate LLDDZZ 0xVVVV", "status X N", "history LLDDZZ 0xV1 0xV2..." and
    // "lines LLDDZZ FIRES FAULTS"
    // lines, sorted.
    std::string Describe() const;
};

// A short name of an event ("fire line 03 detector 12").
std::string EventName(const zid::PanelLineFields& fields);

}  // namespace zidtools
