// The rows of the session journal, DIR/events.csv: one CSV record per thing
// that happened in a commissioning run, in the order it happened. The
// walk-test report is built from these rows alone.
//
//   time,channel,kind,address,label,old,new,text
//
// Times are local ("YYYY-MM-DD HH:MM:SS.mmm"), texts UTF-8, every row ends
// in CRLF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/common/outcome.h"

namespace zidtools {

// The kinds of rows, as the journal spells them. The report's checks
// (journal_check.cpp) know each kind and the address and values it takes: a
// kind added here goes into their table too, or its rows are left out.
namespace journal_kind {
inline constexpr char kStart[] = "start";       // a run begins on a channel; text: StartText
inline constexpr char kTag[] = "tag";           // a registered tag, in tag-file order
inline constexpr char kLine[] = "line";         // a line with an event; text: readable line
inline constexpr char kNoEvent[] = "no-event";  // a line with no event; text: readable line
// A line the driver rejected (empty, too long, or cut off). Journals on
// site spell it so; the word stays.
inline constexpr char kRejectedLine[] = "refused-line";
// A gate the driver wrote; old/new 0x%04X. Every change has one, and so
// has every fire or fault-start line, also when the bit was set already.
// text: "EVENT WORDS: bit changes" ("fire (zone): fire on", "fire (zone):
// no change"); journals before 1.2.0 have only changes, and only their bit
// changes as text.
inline constexpr char kGate[] = "gate";
// !T, !F, !R or !S (and !C: 1 while the channel's port does not answer);
// old/new 0 or 1.
inline constexpr char kStatus[] = "status";
inline constexpr char kUnknownGate[] = "unknown-gate";  // text: the words of the line's event
inline constexpr char kPort[] = "port";                 // opened, closed, failed
inline constexpr char kCommand[] = "command";           // a typed command and its result
inline constexpr char kRemark[] = "remark";  // address: the device; text: the engineer's remark
inline constexpr char kStop[] = "stop";                 // the run ends
}  // namespace journal_kind

inline constexpr char kJournalFileName[] = "events.csv";

struct JournalRow {
    std::string time;
    int channel = 0;
    std::string kind, address, label, oldValue, newValue, text;
    int line = 0;  // read from a journal: the line the row starts on
};

// A gate value as the journal writes it, "0x%04X"; and back.
std::string HexWord(uint16_t value);
std::optional<uint16_t> ParseHexWord(const std::string& text);

// "time,channel,kind,address,label,old,new,text" and CRLF.
std::string JournalHeader();
// One record, CRLF included. A NUL or a byte that is not valid UTF-8 in a
// field (a label of a tag file saved in another encoding) is written as \xNN.
std::string FormatJournalRow(const JournalRow& row);

// A row of a journal that is not used, and why.
struct JournalProblem {
    int line = 0;  // where the row starts in the journal
    std::string why;
};

struct ParsedJournal {
    std::vector<JournalRow> rows;
    // Records that were not kept: the last record when it was cut off (no
    // line end after it, or a quote left open) and records that do not have
    // eight fields with a channel number, each of these in unreadableRows.
    int cutOff = 0;
    int unreadable = 0;
    std::vector<JournalProblem> unreadableRows;
    // Bytes from the start of the text up to the end of the last complete
    // record: a journal is cut back to this before rows are appended to it.
    size_t completeBytes = 0;
};

// Fails when the text does not start with the journal's header.
Outcome<ParsedJournal> ParseJournal(const std::string& text);

}  // namespace zidtools
