// The end of a run: the final gates and status words, and the report.
#include "tools/common/state_file.h"
#include "tools/common/files.h"
#include "tools/common/walk_report.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/session.h"
#include "tools/zidhost/session_channel.h"

namespace zidhost {

int Session::WriteFinalState() {
    int unreadable = 0;
    std::string block;
    for (auto& c : channels_) {
        if (!c->started) continue;
        std::string state;
        for (const Tag& t : c->tags) {
            if (!t.gate) continue;
            if (const std::optional<uint16_t> value = c->driver.Read(zid::PointType::kGate, t.gateId)) {
                state += zidtools::GateStateLine(t.text, *value);
            } else {
                ++unreadable;
                state += zidtools::UnreadableGateStateLine(t.text);
            }
        }
        const int order[] = {kPortWord, 1, 2, 3, 0};  // C F R S T, sorted as the state file is
        static_assert(std::size(order) == kStatusWordCount);
        for (int i : order) {
            const uint16_t value = c->driver.Read(kStatusWords[i].type, 0).value_or(0);
            state += zidtools::StatusStateLine(kStatusWords[i].letter, value);
        }
        block += (options_.site.empty() ? "" : c->tag.display + ": ") + "final state after " +
                 std::to_string(c->linesRead.load()) + " panel line(s):\n";
        for (size_t at = 0; at < state.size();) {
            const size_t end = state.find('\n', at);
            block += "  " + state.substr(at, end - at + 1);
            at = end + 1;
        }
        if (!options_.stateFile.empty()) {
            const std::string path =
                options_.site.empty() ? options_.stateFile
                                      : zidtools::PerChannelPath(options_.stateFile, c->config.number);
            if (zidtools::Status written = zidtools::WriteFileBytes(path, state); !written)
                Error("cannot write the state file %s", path.c_str());
        }
    }
    PrintBlock(block);
    return unreadable;
}

bool Session::FinishReport() {
    if (options_.reportDir.empty()) return false;
    const zidtools::Outcome<zidtools::RebuiltReport> rebuilt =
        zidtools::RebuildReport(options_.reportDir, {options_.language, {}});
    if (!rebuilt) {
        Error("the walk-test report could not be written: %s", rebuilt.Error().c_str());
        return false;
    }
    const std::string& dir = options_.reportDir;
    records_.Note("report", "walk test: " + rebuilt->verdict);
    records_.Note("report", "record to print and sign: " +
                                zidtools::PathIn(dir, zidtools::kWalkRecordHtmlName));
    records_.Note("report", "journal " + zidtools::PathIn(dir, zidtools::kJournalFileName) +
                                ", report " + zidtools::PathIn(dir, zidtools::kWalkReportMarkdownName) +
                                " and " + zidtools::PathIn(dir, zidtools::kWalkReportCsvName));
    // A journal this run appended to may hold damaged rows of an earlier one.
    if (rebuilt->skipped.empty()) return false;
    ReportSkippedRows(zidtools::PathIn(dir, zidtools::kJournalFileName), rebuilt->skipped);
    return true;
}

void Session::WriteLiveRecord() {
    if (options_.reportDir.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastLiveRecord_ < std::chrono::seconds(1)) return;
    std::vector<zidtools::JournalRow> rows;
    if (!records_.RowsIfChanged(rows)) return;
    lastLiveRecord_ = now;
    // A browser holding the file open on Windows may keep it from being
    // replaced for a moment: the next second tries again.
    if (!zidtools::WriteLiveRecord(options_.reportDir, rows, {options_.language, {}}))
        records_.RowsChangedAgain();
}

}  // namespace zidhost
