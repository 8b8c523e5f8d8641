// The walk-test record of a commissioning run, built from the session
// journal alone: which registered devices the panel reported in fire or in
// fault, whether each was restored, what the panel reported that the host
// does not know, the sessions the walk took, the engineer's remarks and the
// times the link to the panel was lost. Everything is kept apart per
// channel, so one journal may hold the panels of a whole site. walk_report.h
// and walk_html.h write it out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/common/journal_row.h"
#include "tools/common/record_identity.h"
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
    // The panel's fire lines that named the device, also those that found
    // its fire bit set already: each is the panel reporting one device (a
    // zone's gate stands for every detector of the zone). Journals before
    // 1.2.0 tell only changes: there, how often bit 0 went from 0 to 1.
    int fireEvents = 0;
    std::string firstFire;  // time of the first; empty if none
    int faultEvents = 0;    // the same for fault-start lines and bit 1
    std::string firstFault;
    std::string restored;  // when the value last became 0 after being non-zero
    std::string result;    // one of walk_result
    uint16_t value = 0;    // registered gates: the value at the end
    std::string type;      // from the tag file (device_type.h's word); empty: none given
    std::string remark;    // the remarks made on it during the walk, joined by "; "
    int session = 0;       // of its first fire line, else of its first fault line; 0: none
};

struct StatusChange {
    std::string time, address, oldValue, newValue;
};

// A time the channel's port did not answer: !C went 1, and back to 0.
struct LinkLoss {
    std::string from, to;  // to: when !C went back to 0, or the run's last row
    bool stillLost = false;  // !C was still 1 when the run ended
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
    std::vector<LinkLoss> linkLosses;
    std::vector<JournalRow> portAndCommands;  // port and command rows, in order
};

// One zidhost run of the walk test; --continue adds another.
struct WalkSession {
    int number = 0;  // from 1
    std::string start, end;
    std::string operatorName, version, sha256;
    std::vector<int> channels;
    bool endedNormally = true;  // every channel's run has its stop row
};

struct Remark {
    std::string time;
    int channel = 0;
    std::string address, label, text;
    int session = 0;
    bool device = false;  // the address is a device of the record
};

struct WalkRecord {
    std::vector<ChannelRun> channels;  // ascending channel numbers
    std::vector<DeviceRow> rows;       // by channel: registered, then unregistered
    std::vector<WalkSession> sessions;
    std::vector<Remark> remarks;  // in the order they were made
    RecordIdentity identity;      // the latest session's, key by key
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
    int linkLosses = 0;
};
DeviceCounts CountDevices(const WalkRecord& record, int channel);

// Whether the walk test is a clean record: every registered device tested
// and restored, no unregistered address, the link never lost, every run
// ended normally and nothing of the journal left out.
bool IsClean(const WalkRecord& record);

// One line: "17 of 20 devices tested; 1 not restored; 2 not tested; 2
// addresses reported by the panel are not registered".
std::string VerdictOf(const DeviceCounts& counts);
std::string Verdict(const WalkRecord& record);

// Milliseconds from one journal time to another; nothing when a time is not
// of the journal's form or the end comes first.
std::optional<long long> DurationMs(const std::string& from, const std::string& to);
// "1 h 02 min 03 s", "4 min 05 s", "12.345 s"; "unknown" without a duration.
std::string DurationText(const std::string& from, const std::string& to);

}  // namespace zidtools
