// The walk-test report of a commissioning run, built from the session
// journal alone: at the end of every run, and again from DIR/events.csv
// after a run that was killed. Everything is kept apart per channel, so one
// journal may hold the panels of a whole site.
//
// walk-test.csv has one row per registered gate (tag-file order; an address
// listed twice has one row; status tags have none), then one per address the
// panel reported and the host could not find. walk-test.md is the same for
// people to print and sign.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/journal.h"

namespace zidtools {

namespace walk_result {
inline constexpr char kTested[] = "tested";              // fire seen, 0 at the end
inline constexpr char kNotRestored[] = "not restored";   // not 0 at the end
inline constexpr char kFaultOnly[] = "fault only";       // a fault but no fire, 0 at the end
inline constexpr char kNotTested[] = "not tested";       // nothing seen
inline constexpr char kUnregistered[] = "unregistered";  // reported, but no such gate
}  // namespace walk_result

struct WalkTestRow {
    int channel = 0;
    std::string address, label;
    int fireEvents = 0;     // bit 0 went from 0 to 1 (unregistered: fire lines naming it)
    std::string firstFire;  // time of the first; empty if none
    int faultEvents = 0;    // the same for bit 1 and fault lines
    std::string firstFault;
    std::string restored;  // when the value last became 0 after being non-zero
    std::string result;    // one of walk_result
    uint16_t value = 0;    // registered gates: the value at the end
};

struct StatusChange {
    std::string time, address, oldValue, newValue;
};

struct ChannelRun {
    int channel = 0;
    StartFacts facts;        // of the channel's first start row
    std::string start, end;  // times of its first and last rows
    int runs = 0;            // start rows
    int runsNotEnded = 0;    // runs with no stop row after them (killed)
    long linesRead = 0;      // line and no-event rows
    long linesNoEvent = 0;
    long linesRefused = 0;
    std::vector<StatusChange> status;
    std::vector<JournalRow> portAndCommands;  // port and command rows, in order
};

struct WalkTest {
    std::vector<ChannelRun> channels;  // ascending channel numbers
    std::vector<WalkTestRow> rows;     // by channel: registered, then unregistered
    // What reading the journal left out (set by RebuildReport).
    int journalCutOff = 0;
    int journalUnreadable = 0;
};

WalkTest BuildWalkTest(const std::vector<JournalRow>& rows);

// "channel,address,label,fire_events,first_fire,fault_events,first_fault,
// restored,result" and a row per device, CSV with CRLF.
std::string WalkTestCsv(const WalkTest& test);
std::string WalkTestMarkdown(const WalkTest& test);

// One line for the whole journal: "18 of 20 devices tested; 1 not restored;
// 1 not tested; 2 addresses reported by the panel are not registered".
std::string Verdict(const WalkTest& test);

// Reads DIR/events.csv and writes DIR/walk-test.csv and DIR/walk-test.md.
// True with the verdict; false with what went wrong.
bool RebuildReport(const std::string& dir, std::string& verdictOrError);

inline constexpr char kWalkTestCsvName[] = "walk-test.csv";
inline constexpr char kWalkTestMarkdownName[] = "walk-test.md";

}  // namespace zidtools
