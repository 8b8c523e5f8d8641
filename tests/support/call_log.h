// Reading the stand-in host's log of calls, for tests.
#pragma once

#include <string>
#include <vector>

#include "standin/qelmar_sim.h"

namespace zid::sim {

// Every call kept since the call log was last cleared, in order.
inline std::vector<QelSimCall> CallLog() {
    std::vector<QelSimCall> calls;
    const uint32_t n = QelSimCallLogCount();
    for (uint32_t i = 0; i < n; ++i) {
        QelSimCall call{};
        if (QelSimCallLogGet(i, &call) == 0) calls.push_back(call);
    }
    return calls;
}

// The log lines among them, in order.
inline std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    for (const QelSimCall& c : CallLog())
        if (c.kind == kCallErr) lines.emplace_back(c.text);
    return lines;
}

}  // namespace zid::sim
