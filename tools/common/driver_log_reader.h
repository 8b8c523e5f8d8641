// The driver's log lines as the tools read them back: which line the
// receiver read, which it rejected and why, which gate the host did not
// know, and when the receiver thread started and ended. The texts are the
// driver's own, from its header, so a log text changed in the driver
// changes what the tools look for with it.
#pragma once

#include <string>
#include <string_view>

namespace zidtools {

enum class DriverLogKind {
    kOther,
    kLineRead,       // detail: the line's bytes
    kLineCutOff,     // a line given up: nothing more came (the rejection follows)
    kLineRejected,   // an empty, over-long or cut-off line
    kUnknownGate,    // detail: the gate address the host does not know
    kThreadStarted,
    kShutDown,
};

struct DriverLogLine {
    DriverLogKind kind = DriverLogKind::kOther;
    std::string detail;
};

DriverLogLine ReadDriverLog(std::string_view line);

}  // namespace zidtools
