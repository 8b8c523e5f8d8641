// The walk-test report, written from the walk-test record (walk_record.h):
// at the end of every run, and again from DIR/events.csv after a run that
// was killed.
//
// A journal that was damaged gives a report all the same, from the rows that
// pass the checks, with a line at its top saying how many rows were left out.
//
// walk-test.csv has one row per registered gate (tag-file order; an address
// listed twice has one row; status tags have none), then one per address the
// panel reported and the host could not find; when rows of a damaged journal
// were left out, a first row before them says so in its label (no channel, no
// address, result kJournalDamagedResult). walk-test.md is the same for people
// to read; walk-test.html (walk_html.h) is the record to print and sign.
#pragma once

#include <string>
#include <vector>

#include "tools/common/journal_check.h"
#include "tools/common/journal_row.h"
#include "tools/common/outcome.h"
#include "tools/common/record_identity.h"
#include "tools/common/record_words.h"
#include "tools/common/walk_html.h"
#include "tools/common/walk_record.h"

namespace zidtools {

inline constexpr char kWalkReportCsvName[] = "walk-test.csv";
inline constexpr char kWalkReportMarkdownName[] = "walk-test.md";

// The result of walk-test.csv's first row, which is no device, when rows of
// a damaged journal were left out; its label says how many.
inline constexpr char kJournalDamagedResult[] = "journal damaged";

// A UTF-8 byte-order mark (so that a spreadsheet reads Hebrew labels
// right), "channel,address,label,fire_events,first_fire,fault_events,
// first_fault,restored,result,device_type,first_session,remark" and a row
// per device, CSV with CRLF. The first nine columns are those of 1.1.0.
std::string WalkReportCsv(const WalkRecord& record);
std::string WalkReportMarkdown(const WalkRecord& record);

// How the record is written: its language, and facts of its identity that
// win over those the journal holds (--record at a rebuild).
struct ReportSettings {
    Language language = Language::kEnglish;
    RecordIdentity record;
};

struct RebuiltReport {
    std::string verdict;
    // The journal's rows that were left out, with their lines and reasons,
    // in journal order: none unless the journal was damaged.
    std::vector<JournalProblem> skipped;
};

// Reads DIR/events.csv, checks every row (journal_check.h) and writes the
// report's three files beside it from the rows that pass.
Outcome<RebuiltReport> RebuildReport(const std::string& dir, const ReportSettings& settings = {});

// While a run goes on: DIR/walk-test.html from the journal's rows so far,
// a page that reloads itself.
Status WriteLiveRecord(const std::string& dir, const std::vector<JournalRow>& rows,
                       const ReportSettings& settings);

}  // namespace zidtools
