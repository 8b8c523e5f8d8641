// A walk test of a big site, made up for the printing check: a journal of
// two sessions on one panel with DEVICES registered devices (line
// detectors and zones, labels in Hebrew and English, every kind of result,
// remarks, a lost link, an unregistered address), and the record rebuilt
// from it in one language.
//
//   sample_walk DIR DEVICES en|he
//
// Writes DIR/events.csv and the three report files beside it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/common/files.h"
#include "tools/common/journal_row.h"
#include "tools/common/walk_report.h"

namespace {

using namespace zidtools;
namespace kind = journal_kind;

// The label the check looks for in logical order: "east stairwell".
const char kHebrewLabel[] = "חדר מדרגות מזרח";

struct Journal {
    std::vector<JournalRow> rows;
    int second = 0;
    std::string Now() {
        char text[32];
        const int s = second++;
        std::snprintf(text, sizeof text, "2026-03-01 %02d:%02d:%02d.%03d", 9 + s / 3600,
                      s / 60 % 60, s % 60, s * 37 % 1000);
        return text;
    }
    void Add(const char* k, const std::string& address, const std::string& label,
             const std::string& before, const std::string& after, const std::string& text) {
        rows.push_back({Now(), 1, k, address, label, before, after, text});
    }
    void Start(const char* session, const char* engineer) {
        Add(kind::kStart, "", "", "", "",
            std::string("port=COM3; settings=9600 8N1, timeout 40 ms; version=1.2.0; sha256=") +
                std::string(64, 'c') + "; session=" + session + "; operator=" + engineer +
                "; record premises=Beit Hadar, building A; record panel-model=ZID-12; "
                "record test-type=acceptance; record engineer=" + engineer +
                "; record company=Esh Lavan Ltd; record licence=4711");
    }
    void Fire(const std::string& address, const char* words, bool already) {
        Add(kind::kLine, "", "", "", "", "09:00:00 fire");
        Add(kind::kGate, address, "", already ? "0x0001" : "0x0000", "0x0001",
            std::string(words) + (already ? ": no change" : ": fire on"));
    }
    void Restore(const std::string& address) {
        Add(kind::kGate, address, "", "0x0001", "0x0000", "reset: fire off");
    }
};

std::string Address(int i, int devices) {
    char text[32];
    // The last twelve are zones, the rest line detectors, line by line.
    const int zones = devices >= 24 ? 12 : 0;
    if (i >= devices - zones)
        std::snprintf(text, sizeof text, "0000%02d", i - (devices - zones) + 1);
    else
        std::snprintf(text, sizeof text, "%02d%02d00", 1 + i / 40, 1 + i % 40);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::atoi(argv[2]) < 24 || std::atoi(argv[2]) > 480) {
        std::fprintf(stderr, "usage: sample_walk DIR DEVICES(24-480) en|he\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int devices = std::atoi(argv[2]);
    const std::optional<Language> language = LanguageOfCode(argv[3]);
    if (!language) {
        std::fprintf(stderr, "sample_walk: the language is en or he\n");
        return 2;
    }
    Journal j;
    j.Start("2026-03-01 09:00:00.000", "Dana Levi");
    const char* types[] = {"smoke", "heat", "manual call point", ""};
    for (int i = 0; i < devices; ++i) {
        const std::string label = i % 3 == 0 ? std::string(kHebrewLabel) + " " + std::to_string(i)
                                  : i % 3 == 1 ? "Office " + std::to_string(i) + ", 2nd floor"
                                               : "משרד " +
                                                     std::to_string(i) + ", Lobby";
        const std::string type = types[i % 4];
        j.Add(kind::kTag, Address(i, devices), label, "", "0x0000",
              type.empty() ? "registered" : "registered; type=" + type);
    }
    j.Add(kind::kTag, "!T", "", "", "0x0000", "registered");
    // The walk: every device in fire and restored, but for a few.
    for (int i = 0; i < devices; ++i) {
        const std::string address = Address(i, devices);
        if (i == 7 || i == devices / 2) continue;  // not tested
        if (i == 11) {
            j.Add(kind::kGate, address, "", "0x0000", "0x0002", "fault (line): fault on");
            j.Add(kind::kGate, address, "", "0x0002", "0x0000", "end of fault (line): fault off");
            continue;
        }
        const bool zone = address.compare(0, 4, "0000") == 0;
        j.Fire(address, zone ? "fire (zone)" : "fire (line)", false);
        if (zone) j.Fire(address, "fire (zone)", true);  // a second detector of the zone
        if (i == devices - 1) break;                      // left in alarm
        j.Restore(address);
        if (i == 20) j.Add(kind::kRemark, address, "", "", "", "head dirty, replaced <b>&");
        if (i == 40) {
            j.Add(kind::kStatus, "!C", "", "0", "1", "");
            j.second += 65;
            j.Add(kind::kStatus, "!C", "", "1", "0", "");
        }
        if (i == devices / 3) {  // the first day ends; the walk goes on in a second session
            j.Add(kind::kStop, "", "", "", "", "the run ends");
            j.second += 3600;
            j.Start("2026-03-01 11:00:00.000", "Yossi Cohen");
        }
    }
    j.Add(kind::kLine, "", "", "", "", "09:00:00 fire");
    j.Add(kind::kUnknownGate, "114000", "", "", "", "fire (line)");
    j.Add(kind::kRemark, "114000", "", "", "", "detector in the lift lobby, not in the host");
    j.Add(kind::kStatus, "!T", "", "0", "1", "");
    j.Add(kind::kStop, "", "", "", "", "the run ends");

    std::filesystem::create_directories(dir);
    std::string text = JournalHeader();
    for (const JournalRow& row : j.rows) text += FormatJournalRow(row);
    if (!WriteFileBytes(PathIn(dir, kJournalFileName), text)) {
        std::fprintf(stderr, "sample_walk: cannot write %s\n", dir.c_str());
        return 1;
    }
    const Outcome<RebuiltReport> rebuilt = RebuildReport(dir, {*language, {}});
    if (!rebuilt || !rebuilt->skipped.empty()) {
        std::fprintf(stderr, "sample_walk: %s\n",
                     rebuilt ? ("row left out: " + rebuilt->skipped[0].why).c_str()
                             : rebuilt.Error().c_str());
        return 1;
    }
    std::printf("%s\n", rebuilt->verdict.c_str());
    return 0;
}
