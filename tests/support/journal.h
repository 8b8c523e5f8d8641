// Reading the stand-in host's journal of calls, for tests.
#pragma once

#include <string>
#include <vector>

#include "standin/qelmar_sim.h"

namespace zid::sim {

// Every call kept since the journal was last cleared, in order.
inline std::vector<QelSimCall> Journal() {
    std::vector<QelSimCall> calls;
    const uint32_t n = QelSimJournalCount();
    for (uint32_t i = 0; i < n; ++i) {
        QelSimCall call{};
        if (QelSimJournalGet(i, &call) == 0) calls.push_back(call);
    }
    return calls;
}

// The log lines among them, in order.
inline std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    for (const QelSimCall& c : Journal())
        if (c.kind == kCallErr) lines.emplace_back(c.text);
    return lines;
}

}  // namespace zid::sim
