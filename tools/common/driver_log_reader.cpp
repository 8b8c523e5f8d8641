#include "tools/common/driver_log_reader.h"

#include "host_abi/driver_log.h"

namespace zidtools {
namespace {

struct Known {
    std::string_view format;  // the driver's format
    DriverLogKind kind;
};

constexpr Known kKnown[] = {
    {zid::logline::kLineRead, DriverLogKind::kLineRead},
    {zid::logline::kCharacterMissing, DriverLogKind::kLineCutOff},
    {zid::logline::kIllegalLength, DriverLogKind::kLineRejected},
    {zid::logline::kGateNotFound, DriverLogKind::kUnknownGate},
    {zid::logline::kThreadStarted, DriverLogKind::kThreadStarted},
    {zid::logline::kShutDown, DriverLogKind::kShutDown},
};

}  // namespace

DriverLogLine ReadDriverLog(std::string_view line) {
    for (const Known& known : kKnown) {
        // Every line of a format starts with its fixed part; what follows
        // is the one value it carries. A format without one is the line.
        const std::string_view fixed = zid::FixedPart(known.format);
        if (!zid::HasConversions(known.format)) {
            if (line == fixed) return {known.kind, {}};
        } else if (line.substr(0, fixed.size()) == fixed) {
            return {known.kind, std::string(line.substr(fixed.size()))};
        }
    }
    return {};
}

}  // namespace zidtools
