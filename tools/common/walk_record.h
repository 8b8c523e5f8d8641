// The walk-test record of a commissioning run, built from the session
// journal alone: which registered devices the panel reported in fire or in
// fault, whether each was restored, and what the panel reported that the
// host does not know. Everything is kept apart per channel, so one journal
// may hold the panels of a whole site. walk_report.h writes it out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/journal_row.h"
#include "tools/common/start_facts.h"

namespace zidtools {

// A device's result, as the report writes it.
namespace walk_result {
inline constexpr char kTested[] = "tested";              // fire seen, 0 at the end
inline constexpr char kNotRestored[] = "not restored";   // not 0 at the end
inline constexpr char kFaultOnly[] = "fault only";       // a fault but no fire, 0 at the end
inline constexpr char kNotTested[] = "not tested";       // nothing seen
inline constexpr char kUnregistered[] = "unregistered";  // reported, but no such gate
}  // namespace walk_result

struct DeviceRow {
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
    long linesRejected = 0;
    std::vector<StatusChange> status;
    std::vector<JournalRow> portAndCommands;  // port and command rows, in order
};

struct WalkRecord {
    std::vector<ChannelRun> channels;  // ascending channel numbers
    std::vector<DeviceRow> rows;       // by channel: registered, then unregistered
    // What reading the journal left out.
    int journalCutOff = 0;
    int journalUnreadable = 0;
    // Rows of a damaged journal left out (journal_check.h), those that could
    // not be read among them: the report says so at its top.
    int journalRowsSkipped = 0;
};

WalkRecord BuildWalkRecord(const std::vector<JournalRow>& rows);

// How the devices of one channel (or of all, channel -1) came out.
struct DeviceCounts {
    int devices = 0, tested = 0, notRestored = 0, faultOnly = 0, notTested = 0, unregistered = 0;
    int runsNotEnded = 0;
};
DeviceCounts CountDevices(const WalkRecord& record, int channel);

// One line: "18 of 20 devices tested; 1 not restored; 1 not tested; 2
// addresses reported by the panel are not registered".
std::string VerdictOf(const DeviceCounts& counts);
std::string Verdict(const WalkRecord& record);

}  // namespace zidtools
