#include "tools/common/walk_report.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "tools/common/csv.h"
#include "tools/common/device_type.h"
#include "tools/common/files.h"
#include "tools/common/journal_check.h"
#include "tools/common/local_time.h"

namespace zidtools {
namespace {

// Text for a Markdown table cell or list item: characters that would make
// formatting are escaped, line ends become blanks.
void AppendMd(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            out += ' ';
            continue;
        }
        if (c == '|' || c == '\\' || c == '*' || c == '_' || c == '`' || c == '[' || c == ']' ||
            c == '<' || c == '>' || c == '#')
            out += '\\';
        out += c;
    }
}

std::string Md(const std::string& text) {
    std::string out;
    AppendMd(out, text);
    return out;
}

// Appends every part; numbers as decimals.
void PutOne(std::string& out, const std::string& part) { out += part; }
void PutOne(std::string& out, const char* part) { out += part; }
void PutOne(std::string& out, long number) {
    char text[24];
    out.append(text, static_cast<size_t>(std::snprintf(text, sizeof text, "%ld", number)));
}
template <typename... Parts>
void Put(std::string& out, const Parts&... parts) {
    (PutOne(out, parts), ...);
}

const char* FactName(const std::string& key) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"port", "Port"},
        {"settings", "Settings"},
        {"driver", "Driver"},
        {"version", "Driver version"},
        {"sha256", "Driver SHA-256"},
        {"host library", "Host library"},
        {"tags", "Tag file"},
    };
    for (const auto& [k, name] : kNames)
        if (key == k) return name;
    return nullptr;
}

// The report's first words when the journal was damaged.
std::string DamagedJournalWords(int skipped) {
    return "THE JOURNAL WAS DAMAGED: " + std::to_string(skipped) +
           " row(s) were left out, so this report may be incomplete";
}

const char* ResultCell(const std::string& result) {
    if (result == walk_result::kNotTested) return "**NOT TESTED**";
    if (result == walk_result::kNotRestored) return "**NOT RESTORED**";
    if (result == walk_result::kUnregistered) return "**UNREGISTERED**";
    return result.c_str();
}

}  // namespace

std::string WalkReportCsv(const WalkRecord& test) {
    std::string out =
        "\xEF\xBB\xBF"
        "channel,address,label,fire_events,first_fire,fault_events,first_fault,restored,result,"
        "device_type,first_session,remark\r\n";
    out.reserve(out.size() + test.rows.size() * 96);
    // The same columns: a first row that is no device, seen at the top in a
    // spreadsheet and by any program that reads the result column.
    if (test.journalRowsSkipped > 0) {
        out += ",,";
        AppendCsvField(out, DamagedJournalWords(test.journalRowsSkipped));
        Put(out, ",,,,,,", kJournalDamagedResult, "\r\n");
    }
    for (const DeviceRow& row : test.rows) {
        PutOne(out, long{row.channel});
        for (const std::string* field : {&row.address, &row.label}) {
            out += ',';
            AppendCsvField(out, *field);
        }
        Put(out, ",", long{row.fireEvents}, ",");
        AppendCsvField(out, row.firstFire);
        Put(out, ",", long{row.faultEvents});
        for (const std::string* field : {&row.firstFault, &row.restored, &row.result}) {
            out += ',';
            AppendCsvField(out, *field);
        }
        Put(out, ",", DeviceTypeWord(DeviceTypeOf(row.type, row.address)), ",");
        if (row.session > 0) PutOne(out, long{row.session});
        out += ',';
        AppendCsvField(out, row.remark);
        out += "\r\n";
    }
    return out;
}

std::string WalkReportMarkdown(const WalkRecord& test) {
    std::string site, operatorName;
    for (const ChannelRun& run : test.channels) {
        if (site.empty()) site = FactOf(run.facts, "site");
        if (operatorName.empty()) operatorName = FactOf(run.facts, "operator");
    }
    std::string out;
    out.reserve(4096 + test.rows.size() * 120);
    out += "# Walk test";
    if (!site.empty()) out += ": " + Md(site);
    out += "\n\n";
    if (test.journalRowsSkipped > 0)
        out += "**" + Md(DamagedJournalWords(test.journalRowsSkipped)) +
               ". zidhost --rebuild-report names each row left out and why.**\n\n";
    if (!site.empty()) out += "Site: " + Md(site) + "  \n";
    if (!operatorName.empty()) out += "Operator: " + Md(operatorName) + "  \n";
    out += "**Result: " + Md(Verdict(test)) + "**\n\n";
    if (test.journalCutOff > 0)
        out += "The journal's last row was cut off when the run was stopped; it is left out.\n\n";
    if (!test.sessions.empty())
        out += "## Sessions\n\n| Session | Start | End | Operator | Driver version | Driver SHA-256 | "
               "Ended |\n|---:|---|---|---|---|---|---|\n";
    for (const WalkSession& s : test.sessions) {
        Put(out, "| ", long{s.number}, " | ", s.start, " | ", s.end, " | ");
        AppendMd(out, s.operatorName);
        out += " | ";
        AppendMd(out, s.version);
        Put(out, " | ", s.sha256, " | ", s.endedNormally ? "normally" : "**not normally**", " |\n");
    }
    if (!test.sessions.empty()) out += "\n";

    for (const ChannelRun& run : test.channels) {
        out += "## Channel " + std::to_string(run.channel) + "\n\n";
        if (test.channels.size() > 1)
            out += "Result: " + Md(VerdictOf(CountDevices(test, run.channel))) + "\n\n";
        out += "| | |\n|---|---|\n";
        for (const auto& [key, value] : run.facts) {
            // The record's identity and the session's mark have places of their own.
            if (key == "site" || key == "operator" || key == "session" ||
                key.rfind("record ", 0) == 0)
                continue;
            const char* name = FactName(key);
            out += "| " + (name ? std::string(name) : Md(key)) + " | " + Md(value) + " |\n";
        }
        out += "| Start | " + run.start + " |\n";
        out += "| End | " + run.end;
        if (run.runsNotEnded > 0) out += " — **run did not end normally**";
        out += " |\n";
        out += "| Duration | " + DurationText(run.start, run.end) + " |\n";
        if (run.runs > 1) out += "| Runs | " + std::to_string(run.runs) + " |\n";
        out += "| Lines read | " + std::to_string(run.linesRead) + ", of which " +
               std::to_string(run.linesNoEvent) + " carried no event |\n";
        out += "| Lines rejected | " + std::to_string(run.linesRejected) + " |\n\n";

        out +=
            "### Devices\n\n"
            "| Address | Label | Type | Fire lines | First fire | Fault lines | First fault | "
            "Restored | Result | Remark |\n|---|---|---|---:|---|---:|---|---|---|---|\n";
        for (const DeviceRow& row : test.rows) {
            if (row.channel != run.channel) continue;
            out += "| ";
            AppendMd(out, row.address);
            out += " | ";
            AppendMd(out, row.label);
            Put(out, " | ", DeviceTypeWord(DeviceTypeOf(row.type, row.address)), " | ",
                long{row.fireEvents}, " | ", row.firstFire, " | ", long{row.faultEvents}, " | ",
                row.firstFault, " | ", row.restored, " | ", ResultCell(row.result), " | ");
            AppendMd(out, row.remark);
            out += " |\n";
        }
        out += "\n### Status words\n\n";
        if (run.status.empty()) out += "No status word changed.\n";
        for (const StatusChange& s : run.status) {
            Put(out, "- ", s.time, "  ");
            AppendMd(out, s.address);
            out += ' ';
            AppendMd(out, s.oldValue);
            out += " → ";
            AppendMd(out, s.newValue);
            Put(out, "  ", StatusMeaningIn(Language::kEnglish, s), "\n");
        }
        if (!run.linkLosses.empty()) out += "\n### The link to the panel lost\n\n";
        for (const LinkLoss& loss : run.linkLosses)
            Put(out, "- from ", loss.from, loss.stillLost ? " until the run ended, " : " to ",
                loss.to, " (", DurationText(loss.from, loss.to), ")\n");
        if (!run.portAndCommands.empty()) {
            out += "\n### Port and console\n\n";
            for (const JournalRow& r : run.portAndCommands) {
                Put(out, "- ", r.time, "  ", r.kind, ": ");
                AppendMd(out, r.text);
                out += '\n';
            }
        }
        out += "\n";
    }

    if (!test.remarks.empty()) out += "## Remarks\n\n";
    for (const Remark& r : test.remarks) {
        Put(out, "- ", r.time, "  channel ", long{r.channel}, "  ");
        AppendMd(out, r.address);
        out += ' ';
        AppendMd(out, r.label);
        out += ": ";
        AppendMd(out, r.text);
        out += '\n';
    }
    if (!test.remarks.empty()) out += '\n';

    out +=
        "## Signatures\n\n"
        "Tested by: ______________________  Signature: ______________________  "
        "Date: ____________\n\n"
        "Witnessed by: ___________________  Signature: ______________________  "
        "Date: ____________\n";
    return out;
}

namespace {

// The settings' identity over the journal's, key by key.
void Apply(WalkRecord& record, const ReportSettings& settings) {
    for (const auto& [key, value] : settings.record) record.identity[key] = value;
}

}  // namespace

Outcome<RebuiltReport> RebuildReport(const std::string& dir, const ReportSettings& settings) {
    const std::string journal = PathIn(dir, kJournalFileName);
    const Outcome<std::string> text = ReadFileBytes(journal);
    if (!text) return Failure{text.Error()};
    Outcome<ParsedJournal> parsed = ParseJournal(*text);
    if (!parsed) return Failure{journal + ": " + parsed.Error()};
    std::vector<JournalProblem> skipped = CheckJournalRows(parsed->rows);
    skipped.insert(skipped.end(), parsed->unreadableRows.begin(), parsed->unreadableRows.end());
    std::stable_sort(skipped.begin(), skipped.end(),
                     [](const JournalProblem& a, const JournalProblem& b) { return a.line < b.line; });
    WalkRecord record = BuildWalkRecord(parsed->rows);
    record.journalCutOff = parsed->cutOff;
    record.journalUnreadable = parsed->unreadable;
    Apply(record, settings);
    record.journalRowsSkipped = static_cast<int>(skipped.size());
    const std::pair<const char*, std::string> files[] = {
        {kWalkReportCsvName, WalkReportCsv(record)},
        {kWalkReportMarkdownName, WalkReportMarkdown(record)},
        {kWalkRecordHtmlName, WalkRecordHtml(record, {settings.language, false})}};
    for (const auto& [name, content] : files)
        if (Status written = WriteFileAtomically(PathIn(dir, name), content); !written)
            return Failure{written.Error()};
    return RebuiltReport{Verdict(record), std::move(skipped)};
}

Status WriteLiveRecord(const std::string& dir, const std::vector<JournalRow>& rows,
                       const ReportSettings& settings) {
    WalkRecord record = BuildWalkRecord(rows);
    Apply(record, settings);
    return WriteFileAtomically(PathIn(dir, kWalkRecordHtmlName),
                               WalkRecordHtml(record, {settings.language, true}));
}

}  // namespace zidtools
