// What the driver should make of a panel's commands: the gates and status
// words it should show, from a zero-filled context and gates at 0. zidpanel
// writes it (--expect) for the demo to check the driver against.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/common/scenario.h"

namespace zidtools {

struct PanelModel {
    std::map<std::string, uint16_t> gates;  // every gate an event addressed
    // Each gate's values after every change, in order.
    std::map<std::string, std::vector<uint16_t>> history;
    uint16_t T = 0, F = 0, R = 0, S = 0;
    // How many fire and fault-start lines named each gate (the walk test
    // counts these for every device).
    std::map<std::string, std::pair<int, int>> namedBy;
    int rawLines = 0;  // sent, not modelled

    void Apply(const PanelCommand& command);
    // The state file of the model (state_file.h): gates, status words (with
    // the port's !C at 0: the lines arrived), histories and line counts, sorted.
    std::string Describe() const;
};

}  // namespace zidtools
