// The session journal of a commissioning run: DIR/events.csv, one row per
// event, appended and flushed as things happen, so that a run that is killed
// still leaves everything up to its last complete row. The walk-test report
// is rebuilt from this file alone.
//
// CSV as spreadsheets read it (RFC 4180): a field holding a comma, a double
// quote, CR or LF is quoted, with its quotes doubled; every row ends in CRLF.
// Texts are UTF-8.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "panel/events.h"

namespace zidtools {

// The kinds of rows.
namespace journal_kind {
inline constexpr char kStart[] = "start";       // a run begins on a channel; text: StartText
inline constexpr char kTag[] = "tag";           // a registered tag, in tag-file order
inline constexpr char kLine[] = "line";         // a line with an event; text: readable line
inline constexpr char kNoEvent[] = "no-event";  // a line with no event; text: readable line
inline constexpr char kRefusedLine[] = "refused-line";  // "Got Illegal length Msg"
inline constexpr char kGate[] = "gate";                 // a gate change; old/new 0x%04X
inline constexpr char kStatus[] = "status";             // !T, !F, !R or !S; old/new 0 or 1
inline constexpr char kUnknownGate[] = "unknown-gate";  // text: the event word of the line
inline constexpr char kPort[] = "port";                 // opened, closed, failed
inline constexpr char kCommand[] = "command";           // a typed command and its result
inline constexpr char kStop[] = "stop";                 // the run ends
}  // namespace journal_kind

struct JournalRow {
    std::string time;  // FormatLocalTime
    int channel = 0;
    std::string kind, address, label, oldValue, newValue, text;
};

// Local wall-clock time "YYYY-MM-DD HH:MM:SS.mmm".
std::string FormatLocalTime(std::chrono::system_clock::time_point when);

// Milliseconds from 1970-01-01 00:00:00.000 to a time written as
// FormatLocalTime writes it, both read as the same local clock (so a change
// of daylight saving time inside a run shifts a duration by that hour).
// False when the text is not of that form.
bool ParseJournalTime(const std::string& text, long long& milliseconds);

// A gate value as the journal writes it: "0x%04X"; and back.
std::string HexWord(uint16_t value);
bool ParseHexWord(const std::string& text, uint16_t& value);

// The words of the panel's events ("fire (line)", "end of fault (zone)",
// ...), for unknown-gate rows and for display.
const char* EventWord(zid::PanelEvent event);
// The word of the event a line (without its NUL) announces, as the driver
// finds it; nullptr for a line with no event.
const char* LineEventWord(const std::string& line);
// Lines naming a fire or a fault, by their event word.
bool IsFireWord(const std::string& word);
bool IsFaultWord(const std::string& word);

// The facts of a start row: "key=value" pairs joined by "; ". The keys are
// port, settings, driver, version, sha256, host library, tags, site and
// operator (only those known are given). A ';' or '\' inside a value is
// written with a '\' before it.
using StartFacts = std::vector<std::pair<std::string, std::string>>;
std::string StartText(const StartFacts& facts);
StartFacts ParseStartText(const std::string& text);
// The value of a key; empty when it is not there.
std::string FactOf(const StartFacts& facts, const std::string& key);

// Appends one CSV field, quoted when it must be.
void AppendCsvField(std::string& out, const std::string& field);

// "time,channel,kind,address,label,old,new,text" and CRLF.
std::string JournalHeader();
// One record, CRLF included.
std::string FormatJournalRow(const JournalRow& row);

struct ParsedJournal {
    std::vector<JournalRow> rows;
    // Records that were not kept: the last record when it was cut off (no
    // line end after it, or a quote left open) and records that do not have
    // eight fields with a channel number.
    int cutOff = 0;
    int unreadable = 0;
    // Bytes from the start of the text up to the end of the last complete
    // record: a journal is cut back to this before rows are appended to it.
    size_t completeBytes = 0;
    std::string error;  // missing or wrong header; rows are empty then
};
ParsedJournal ParseJournal(const std::string& text);

// The file name of the journal in a run's folder, and a path in a folder.
inline constexpr char kJournalFileName[] = "events.csv";
std::string PathIn(const std::string& dir, const std::string& name);

// Reads and writes whole files, bytes as they are.
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Appends rows to DIR/events.csv, each flushed at once. Append may be called
// from any thread. Open makes the folder when needed and writes the header
// to a new or empty file; a journal that is already there keeps its rows
// (a second run adds its own), and a last row that a killed run left
// unfinished is cut away first, so it cannot swallow the rows that follow.
// A file that is not a journal is refused.
class JournalWriter {
public:
    JournalWriter() = default;
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    ~JournalWriter();

    bool Open(const std::string& dir, std::string& error);
    bool IsOpen() const { return file_ != nullptr; }
    // False when the row could not be written (disk full, folder gone).
    bool Append(const JournalRow& row);
    void Close();

private:
    std::mutex lock_;
    std::FILE* file_ = nullptr;
};

}  // namespace zidtools
