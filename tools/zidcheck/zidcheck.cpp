// zidcheck: the demo's summary. Compares what the panel sent (zidpanel's
// model of the gates and status words, --expect) with what the host shows
// after the run (zidhost's --state-file, its timeline and the driver's log),
// one row per check, and ends with RESULT: PASS or MISMATCH. With the tag
// file and zidhost's walk-test report it also checks every row of the
// report, and with the report of a replay of the run's capture, that the
// replay gives the same rows.
//
//   zidcheck --expect FILE --state FILE --log FILE --timeline FILE
//            --sent N --host-exit N [--seconds S]
//            [--tags FILE --walk-test FILE [--replay-walk-test FILE]]
//
// Exit status: 0 every check agrees, 1 a mismatch, 2 bad usage.
#include <algorithm>
#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/csv.h"
#include "tools/common/driver_log_reader.h"
#include "tools/common/files.h"
#include "tools/common/numbers.h"
#include "tools/common/option_table.h"
#include "tools/common/state_file.h"
#include "tools/common/tag_file.h"
#include "tools/common/text_file.h"
#include "tools/common/walk_report.h"

namespace {

std::string ReadAll(const std::string& path) {
    zidtools::Outcome<std::string> text = zidtools::ReadFileBytes(path);
    return text ? *text : std::string();
}

std::vector<std::vector<std::string>> CsvRecords(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    zidtools::CsvReader reader(text);
    for (std::vector<std::string> fields; reader.Next(fields);) records.push_back(fields);
    return records;
}

struct Inputs {
    std::string expect, state, log, timeline, sent, hostExit, seconds = "?";
    std::string tags, walkTest, replayWalkTest;
};

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    const zidtools::Outcome<std::vector<zidtools::TextLine>> text =
        zidtools::SplitTextLines(ReadAll(path), path);
    if (text)
        for (const zidtools::TextLine& line : *text) lines.push_back(line.text);
    return lines;
}

struct Summary {
    int checks = 0, bad = 0;
    void Row(const std::string& what, const std::string& want, const std::string& got, bool ok) {
        std::printf("   %-16s expected %-22s shown %-28s %s\n", what.c_str(), want.c_str(), got.c_str(),
                    ok ? "ok" : "MISMATCH");
        ++checks;
        if (!ok) ++bad;
    }
};

// The walk-test rows against the panel's model: every gate tag of the tag
// file in order, then the addresses the host did not know.
void WalkTestRows(const Inputs& in, std::map<std::string, std::string>& expect,
                  const std::set<std::string>& missing, Summary& s) {
    std::map<std::string, std::pair<int, int>> namedBy = zidtools::ParseStateFile(ReadAll(in.expect)).lines;
    std::vector<std::string> wanted;
    std::set<std::string> listed;
    const zidtools::Outcome<std::vector<zidtools::TagLine>> tags =
        zidtools::ParseTagFile(ReadAll(in.tags), in.tags);
    for (const zidtools::TagLine& t : tags ? *tags : std::vector<zidtools::TagLine>{}) {
        if (!zidtools::LooksLikeGateTag(t.tag) || listed.count(t.tag)) continue;
        listed.insert(t.tag);
        wanted.push_back(t.tag);
    }
    for (const std::string& address : missing)
        if (!listed.count(address)) wanted.push_back(address);

    std::map<std::string, std::vector<std::string>> shown;
    std::vector<std::vector<std::string>> records = CsvRecords(ReadAll(in.walkTest));
    // The columns of 1.1.0 come first; later ones follow them.
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].size() < 9) continue;
        // The first row of a report built from a damaged journal is no device.
        if (records[i][8] == zidtools::kJournalDamagedResult)
            s.Row("walk journal", "whole", records[i][2], false);
        else
            shown[records[i][1]] = records[i];
    }
    std::printf("   the walk-test report, row by row (fire lines, fault lines, result):\n");
    for (const std::string& address : wanted) {
        std::string want;
        if (listed.count(address)) {
            // Every fire and fault-start line that named the gate, also one
            // that found its bit set (a zone's second detector).
            const auto [fires, faults] = namedBy[address];
            const std::string final = expect.count("gate " + address) ? expect["gate " + address] : "0x0000";
            const char* result = final != "0x0000" ? "not restored"
                                 : fires > 0      ? "tested"
                                 : faults > 0     ? "fault only"
                                                  : "not tested";
            want = std::to_string(fires) + " " + std::to_string(faults) + " " + result;
        } else {
            const auto counts = namedBy[address];
            want = std::to_string(counts.first) + " " + std::to_string(counts.second) + " unregistered";
        }
        const auto it = shown.find(address);
        const std::string got = it == shown.end() ? "no row"
                                                  : it->second[3] + " " + it->second[5] + " " + it->second[8];
        s.Row("walk " + address, want, got, got == want);
    }
    if (shown.size() != wanted.size())
        s.Row("walk rows", std::to_string(wanted.size()), std::to_string(shown.size()), false);
    if (in.replayWalkTest.empty()) return;
    // The replay of the capture: the same rows, apart from the times.
    auto timeless = [](std::vector<std::vector<std::string>> rows) {
        std::string out;
        for (auto& r : rows) {
            if (r.size() >= 9)
                for (size_t k : {4u, 6u, 7u}) r[k] = r[k].empty() ? "" : "(time)";
            for (const std::string& f : r) out += f + ",";
            out += "\n";
        }
        return out;
    };
    const bool same = timeless(records) == timeless(CsvRecords(ReadAll(in.replayWalkTest)));
    s.Row("replay", "the same rows", same ? "the same rows" : "other rows", same);
}

int Compare(const Inputs& in) {
    // The panel's model: final values, then each gate's values in order.
    zidtools::StateFile model = zidtools::ParseStateFile(ReadAll(in.expect));
    std::map<std::string, std::string>& expect = model.values;
    std::map<std::string, std::string>& history = model.history;
    std::vector<std::string> order = model.order;
    const std::vector<std::string>& historyOrder = model.historyOrder;
    // What the host shows at the end, read through command 5.
    const zidtools::StateFile host = zidtools::ParseStateFile(ReadAll(in.state));
    std::map<std::string, std::string> shown = host.values;
    for (const std::string& key : host.order)
        if (!expect.count(key)) order.push_back(key);
    // Gates the driver logged as unknown to the host. The log file gives
    // each of the driver's lines after the host's time and level:
    // "11:39:08.145 [32] SulVOR : ...".
    std::set<std::string> missing;
    for (const std::string& line : Lines(in.log)) {
        const size_t text = line.find("] ");
        const zidtools::DriverLogLine logged =
            zidtools::ReadDriverLog(text == std::string::npos ? line : line.substr(text + 2));
        if (logged.kind == zidtools::DriverLogKind::kUnknownGate) missing.insert(logged.detail);
    }
    // Every gate change the host saw, from the timeline, and the lines read.
    std::map<std::string, std::string> seen;
    int linesRead = 0;
    for (const std::string& line : Lines(in.timeline)) {
        if (line.find("] panel ") != std::string::npos ||
            line.find("] reject ") != std::string::npos)
            ++linesRead;
        if (line.find("] gate ") == std::string::npos) continue;
        const std::vector<std::string> w = zidtools::WordsOf(line.substr(line.find("] gate ") + 2));
        // "gate 000005  0x0001 unchanged ...": a line that found the bit set.
        if (w.size() < 5 || w[3] != "->") continue;
        std::string& values = seen[w[1]];
        values += (values.empty() ? "" : " ") + w[4];
    }

    Summary s;
    std::printf("   final values, read through command 5:\n");
    for (const std::string& key : order) {
        const bool gate = key.rfind("gate ", 0) == 0;
        const std::string want = expect.count(key) ? expect[key] : gate ? "0x0000" : "?";
        if (shown.count(key))
            s.Row(key, want, shown[key], shown[key] == want);
        else if (gate && missing.count(key.substr(5)))
            s.Row(key, want, "no such gate (logged)", true);
        else
            s.Row(key, want, "nothing", false);
    }
    std::printf("   every change of every gate, in order (from the gate sink):\n");
    for (const std::string& address : historyOrder) {
        const bool any = seen.count(address) != 0;
        if (!any && missing.count(address))
            s.Row("changes " + address, history[address], "none: no such gate", true);
        else
            s.Row("changes " + address, history[address], any ? seen[address] : "none",
                  any && seen[address] == history[address]);
    }
    for (const auto& [address, values] : seen)
        if (!history.count(address)) s.Row("changes " + address, "none", values, false);
    if (!in.walkTest.empty()) WalkTestRows(in, expect, missing, s);
    std::printf("   the run:\n");
    const int sent = std::atoi(in.sent.c_str());
    s.Row("lines", in.sent + " sent", std::to_string(linesRead) + " read by the driver",
          sent > 0 && linesRead == sent);
    s.Row("zidhost exit", "0", in.hostExit, in.hostExit == "0");
    std::printf("   %d checks in %s s: ", s.checks, in.seconds.c_str());
    if (s.bad) {
        std::printf("RESULT: MISMATCH (%d of %d checks differ)\n", s.bad, s.checks);
        return 1;
    }
    std::printf("RESULT: PASS (all %d checks agree)\n", s.checks);
    return 0;
}


template <std::string Inputs::*kField>
zidtools::Status Take(Inputs& in, const std::string& value) {
    in.*kField = value;
    return zidtools::Done{};
}

// A count or an exit code: a whole number, kept as it was written.
template <std::string Inputs::*kField>
zidtools::Status TakeNumber(Inputs& in, const std::string& value) {
    if (!zidtools::ParseNumber(value, 0, 1000000)) return zidtools::Failure{"a whole number"};
    return Take<kField>(in, value);
}

using zidtools::OptionValue;
constexpr zidtools::OptionSpec<Inputs> kOptions[] = {
    {"--expect", "FILE", OptionValue::kRequired, "zidpanel's model (--expect)", Take<&Inputs::expect>},
    {"--state", "FILE", OptionValue::kRequired, "zidhost's --state-file", Take<&Inputs::state>},
    {"--log", "FILE", OptionValue::kRequired, "zidhost's --log", Take<&Inputs::log>},
    {"--timeline", "FILE", OptionValue::kRequired, "zidhost's output", Take<&Inputs::timeline>},
    {"--sent", "N", OptionValue::kRequired, "lines zidpanel sent", TakeNumber<&Inputs::sent>},
    {"--host-exit", "N", OptionValue::kRequired, "zidhost's exit code",
     TakeNumber<&Inputs::hostExit>},
    {"--seconds", "S", OptionValue::kRequired, "how long the run took", Take<&Inputs::seconds>},
    {"--tags", "FILE", OptionValue::kRequired, "the tag file", Take<&Inputs::tags>},
    {"--walk-test", "FILE", OptionValue::kRequired, "zidhost's walk-test.csv", Take<&Inputs::walkTest>},
    {"--replay-walk-test", "FILE", OptionValue::kRequired, "the replay's walk-test.csv",
     Take<&Inputs::replayWalkTest>},
};

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Plain line feeds: the summary is read by scripts on the build machine.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    Inputs in;
    if (zidtools::Status parsed = zidtools::ParseCommandLine(kOptions, argc, argv, in); !parsed) {
        std::fprintf(stderr, "zidcheck: %s\n", parsed.Error().c_str());
        return 2;
    }
    if (in.expect.empty() || in.state.empty() || in.log.empty() || in.timeline.empty()) {
        std::fprintf(stderr, "usage: zidcheck [options]\n%s", zidtools::OptionUsage(kOptions).c_str());
        return 2;
    }
    return Compare(in);
}
