// The walk-test report, written from the walk-test record (walk_record.h):
// at the end of every run, and again from DIR/events.csv after a run that
// was killed.
//
// walk-test.csv has one row per registered gate (tag-file order; an address
// listed twice has one row; status tags have none), then one per address the
// panel reported and the host could not find. walk-test.md is the same for
// people to print and sign.
#pragma once

#include <string>

#include "tools/common/outcome.h"
#include "tools/common/walk_record.h"

namespace zidtools {

inline constexpr char kWalkReportCsvName[] = "walk-test.csv";
inline constexpr char kWalkReportMarkdownName[] = "walk-test.md";

// "channel,address,label,fire_events,first_fire,fault_events,first_fault,
// restored,result" and a row per device, CSV with CRLF.
std::string WalkReportCsv(const WalkRecord& record);
std::string WalkReportMarkdown(const WalkRecord& record);

// Reads DIR/events.csv and writes the report's files beside it; the verdict.
Outcome<std::string> RebuildReport(const std::string& dir);

}  // namespace zidtools
