// How long zidhost --rebuild-report takes on a big site: a journal of a long
// walk test is generated (100000 rows, 20000 registered tags with labels,
// some with a type: tag rows, panel lines, gate writes with their events,
// fire lines that find the bit set, status-word changes, the link lost and
// back, resets, unregistered addresses, remarks, port and console rows),
// written to events.csv in a scratch folder, and RebuildReport (read, parse,
// build, write walk-test.csv, walk-test.md and walk-test.html) is timed; the
// median of several runs is printed. Budget: 2 s.
//
//   report_bench [--quick] [--check] [--rows N] [--tags N] [--repeats N] [--keep DIR]
//
// --keep writes the journal and the report into DIR and leaves them there.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tools/common/files.h"
#include "tools/common/journal_row.h"
#include "tools/common/local_time.h"
#include "tools/common/walk_report.h"

namespace {

using namespace zidtools;
namespace kind = journal_kind;

constexpr double kBudgetMs = 2000.0;

// A readable fire line as zidhost writes it into the journal.
const char kFireText[] = "12:34:56 03 12 \xD7\x90\xD7\xA9: \xD7\xA7\xD7\x95 03 12";

struct Generator {
    std::mt19937 random{12};
    std::chrono::system_clock::time_point now{std::chrono::hours(24 * 20600)};
    std::vector<JournalRow> rows;
    std::vector<std::string> tags;
    std::map<std::string, uint16_t> value;  // gates that are not 0
    int T = 0, F = 0, R = 0, S = 0;

    int Pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    void Add(const char* k, const std::string& address, const std::string& label,
             const std::string& before, const std::string& after, const std::string& text) {
        rows.push_back({FormatLocalTime(now), 1, k, address, label, before, after, text});
    }
    void Status(const char* address, int& word, int to) {
        if (word != to)
            Add(kind::kStatus, address, "", std::to_string(word), std::to_string(to), "");
        word = to;
    }
    // A write of the line's event, as zidhost journals it: every fire or
    // fault-start line, and every change.
    void Gate(const std::string& address, uint16_t to, const char* event) {
        uint16_t& v = value[address];
        const bool reports = std::strncmp(event, "fire", 4) == 0 || std::strncmp(event, "fault", 5) == 0;
        if (v != to || reports)
            Add(kind::kGate, address, "", HexWord(v), HexWord(to),
                std::string(event) + (v == to ? ": no change" : ": bits changed"));
        v = to;
        if (to == 0) value.erase(address);
    }

    void Generate(int total, int tagCount) {
        Add(kind::kStart, "", "", "", "",
            StartText({{"port", "COM3"},
                       {"settings", "9600 8N1"},
                       {"driver", "ZIZEZOZU.DLL"},
                       {"version", "1.0.0.0"},
                       {"sha256", std::string(64, 'a')},
                       {"host library", "820"},
                       {"tags", "site-tags.txt"},
                       {"site", "Bench site"},
                       {"operator", "bench"}}));
        char address[16];
        for (int i = 0; i < tagCount; ++i) {
            std::snprintf(address, sizeof address, "%06d", i);
            tags.push_back(address);
            // Every third label Hebrew ("floor"), every fourth device a smoke detector.
            Add(kind::kTag, address,
                (i % 3 ? "Floor " : "\xD7\xA7\xD7\x95\xD7\x9E\xD7\x94 ") + std::to_string(i / 500) +
                    ", room " + std::to_string(i % 500),
                "", "0x0000", i % 4 ? "registered" : "registered; type=smoke");
        }
        for (const char* status : {"!T", "!F", "!R", "!S"})
            Add(kind::kTag, status, "", "", "0x0000", "");
        Add(kind::kPort, "", "", "", "", "opened COM3");
        while (static_cast<int>(rows.size()) < total - 1) {
            now += std::chrono::milliseconds(200 + Pick(5000));
            const int roll = Pick(100);
            const std::string& tag = tags[Pick(static_cast<int>(tags.size()))];
            if (roll < 40) {  // a detector walked: fire, and later its reset clears it
                Add(kind::kLine, "", "", "", "", kFireText);
                Gate(tag, static_cast<uint16_t>(value.count(tag) ? value[tag] | 1 : 1),
                     tag[0] == '0' && tag[1] == '0' ? "fire (zone)" : "fire (line)");
                Status("!R", R, 0);
                Status("!S", S, 0);
            } else if (roll < 55) {  // a fault and, often, its end
                Add(kind::kLine, "", "", "", "", kFireText);
                Gate(tag, static_cast<uint16_t>(value.count(tag) ? value[tag] | 2 : 2), "fault (line)");
                Status("!F", F, 1);
                if (Pick(2)) {
                    Add(kind::kLine, "", "", "", "", kFireText);
                    Gate(tag, static_cast<uint16_t>(value[tag] & ~2u), "end of fault (line)");
                    Status("!F", F, 0);
                    Status("!S", S, 1);
                }
            } else if (roll < 63) {  // the panel's reset clears every gate
                Add(kind::kLine, "", "", "", "", "12:34:56 RESET");
                while (!value.empty()) Gate(value.begin()->first, 0, "reset");
                Status("!R", R, 1);
                Status("!S", S, 1);
                Status("!F", F, 0);
                Status("!T", T, 0);
            } else if (roll < 73) {
                Add(kind::kNoEvent, "", "", "", "", "12:34:56 ---- printer paper low ----");
            } else if (roll < 76) {
                Add(kind::kRejectedLine, "", "", "", "", "");
            } else if (roll < 84) {  // a detector that is not in the tag list
                std::snprintf(address, sizeof address, "%02d%02d00", 13 + Pick(80), Pick(41));
                Add(kind::kLine, "", "", "", "", kFireText);
                Add(kind::kUnknownGate, address, "", "", "",
                    Pick(3) ? "fire (line)" : "fault (line)");
            } else if (roll < 96) {
                Add(kind::kLine, "", "", "", "", "12:34:56 test");
                Status("!T", T, 1 - T);
            } else if (roll < 98) {
                Add(kind::kCommand, "", "", "", "", "status: T=0 F=0 R=1 S=1");
            } else if (roll < 99) {
                Add(kind::kRemark, tag, "", "", "", "head dirty, replaced");
            } else {
                Add(kind::kStatus, "!C", "", "0", "1", "");
                now += std::chrono::milliseconds(3000);
                Add(kind::kStatus, "!C", "", "1", "0", "");
            }
        }
        rows.resize(static_cast<size_t>(total - 1));
        Add(kind::kStop, "", "", "", "", "quit");
    }
};

}  // namespace

int main(int argc, char** argv) {
    int total = 100000, tagCount = 20000, repeats = 7;
    bool check = false;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick")
            total = 5000, tagCount = 1000, repeats = 1;
        else if (a == "--check")
            check = true;
        else if (a == "--rows" && i + 1 < argc)
            total = std::atoi(argv[++i]);
        else if (a == "--tags" && i + 1 < argc)
            tagCount = std::atoi(argv[++i]);
        else if (a == "--repeats" && i + 1 < argc)
            repeats = std::atoi(argv[++i]);
        else if (a == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: report_bench [--quick] [--check] [--rows N] [--tags N] [--repeats "
                         "N] [--keep DIR]\n");
            return 2;
        }
    }
    if (total < tagCount + 10 || tagCount < 1 || repeats < 1) {
        std::fprintf(stderr, "report_bench: need rows > tags + 10, tags >= 1, repeats >= 1\n");
        return 2;
    }

    Generator g;
    g.Generate(total, tagCount);
    std::string journal = JournalHeader();
    std::map<std::string, int> kinds;
    for (const JournalRow& row : g.rows) {
        journal += FormatJournalRow(row);
        ++kinds[row.kind];
    }
    const std::filesystem::path dir =
        !keep.empty()
            ? std::filesystem::path(keep)
            : std::filesystem::temp_directory_path() /
                  ("zid-report-bench-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    if (!WriteFileBytes(PathIn(dir.string(), kJournalFileName), journal)) {
        std::fprintf(stderr, "report_bench: cannot write the journal in %s\n",
                     dir.string().c_str());
        return 1;
    }

    std::vector<double> ms;
    std::string verdict;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const Outcome<RebuiltReport> rebuilt = RebuildReport(dir.string());
        if (!rebuilt) {
            std::fprintf(stderr, "report_bench: %s\n", rebuilt.Error().c_str());
            return 1;
        }
        // The journal is written as zidhost writes one: no row may fail the checks.
        if (!rebuilt->skipped.empty()) {
            std::fprintf(stderr, "report_bench: %zu row(s) left out, the first at line %d: %s\n",
                         rebuilt->skipped.size(), rebuilt->skipped[0].line,
                         rebuilt->skipped[0].why.c_str());
            return 1;
        }
        verdict = rebuilt->verdict;
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const std::string csv = ReadFileBytes(PathIn(dir.string(), kWalkReportCsvName)).value_or("");
    const std::string md = ReadFileBytes(PathIn(dir.string(), kWalkReportMarkdownName)).value_or("");
    const std::string html = ReadFileBytes(PathIn(dir.string(), kWalkRecordHtmlName)).value_or("");
    if (keep.empty()) std::filesystem::remove_all(dir);

    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("journal: %zu rows, %d tags, %.1f MB;", g.rows.size(), tagCount,
                journal.size() / 1e6);
    for (const auto& [k, n] : kinds) std::printf(" %s %d", k.c_str(), n);
    std::printf("\nreport: walk-test.csv %.1f MB, walk-test.md %.1f MB, walk-test.html %.1f MB; %s\n",
                csv.size() / 1e6, md.size() / 1e6, html.size() / 1e6, verdict.c_str());
    std::printf(
        "walk-test report rebuild, %zu rows, %d tags  median %10.1f ms  (min %.1f, max %.1f, "
        "%d runs)  budget %.0f ms: %s\n",
        g.rows.size(), tagCount, median, ms.front(), ms.back(), repeats, kBudgetMs,
        median < kBudgetMs ? "met" : "MISSED");
    return check && median >= kBudgetMs ? 1 : 0;
}
