// zidcheck: the demo's summary. Compares what the panel sent (zidpanel's
// model of the gates and status words, --expect) with what the host shows
// after the run (zidhost's --state-file, its timeline and the driver's log),
// one row per check, and ends with RESULT: PASS or MISMATCH.
//
//   zidcheck --expect FILE --state FILE --log FILE --timeline FILE
//            --sent N --host-exit N [--seconds S]
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

namespace {

struct Inputs {
    std::string expect, state, log, timeline, sent, hostExit, seconds = "?";
};

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::string Join(const std::vector<std::string>& words, size_t from) {
    std::string out;
    for (size_t i = from; i < words.size(); ++i) out += (out.empty() ? "" : " ") + words[i];
    return out;
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

int Compare(const Inputs& in) {
    // The panel's model: final values, then each gate's values in order.
    std::map<std::string, std::string> expect, history;
    std::vector<std::string> order, historyOrder;
    for (const std::string& line : Lines(in.expect)) {
        const std::vector<std::string> w = Words(line);
        if (w.size() < 3) continue;
        if (w[0] == "history") {
            history[w[1]] = Join(w, 2);
            historyOrder.push_back(w[1]);
        } else {
            expect[w[0] + " " + w[1]] = w[2];
            order.push_back(w[0] + " " + w[1]);
        }
    }
    // What the host shows at the end, read through command 5.
    std::map<std::string, std::string> shown;
    for (const std::string& line : Lines(in.state)) {
        const std::vector<std::string> w = Words(line);
        if (w.size() < 3) continue;
        const std::string key = w[0] + " " + w[1];
        shown[key] = w[2];
        if (!expect.count(key)) order.push_back(key);
    }
    // Gates the driver logged as unknown to the host.
    std::set<std::string> missing;
    static const char kMissing[] = "Can not find gate ";
    for (const std::string& line : Lines(in.log)) {
        const size_t at = line.find(kMissing);
        if (at != std::string::npos) missing.insert(Words(line.substr(at + sizeof kMissing - 1))[0]);
    }
    // Every gate change the host saw, from the timeline, and the lines read.
    std::map<std::string, std::string> seen;
    int linesRead = 0;
    for (const std::string& line : Lines(in.timeline)) {
        if (line.find("] panel ") != std::string::npos ||
            line.find("Got Illegal length Msg") != std::string::npos)
            ++linesRead;
        if (line.find("] gate ") == std::string::npos) continue;
        const std::vector<std::string> w = Words(line.substr(line.find("] gate ") + 2));
        if (w.size() < 5) continue;
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

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Plain line feeds: the summary is read by scripts on the build machine.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    Inputs in;
    const std::pair<const char*, std::string*> options[] = {
        {"--expect", &in.expect},   {"--state", &in.state}, {"--log", &in.log},
        {"--timeline", &in.timeline}, {"--sent", &in.sent}, {"--host-exit", &in.hostExit},
        {"--seconds", &in.seconds}};
    for (int i = 1; i < argc; ++i) {
        std::string* value = nullptr;
        for (const auto& [name, field] : options)
            if (std::strcmp(argv[i], name) == 0) value = field;
        if (value == nullptr || i + 1 >= argc) {
            std::fprintf(stderr, "zidcheck: bad option %s (see the head of zidcheck.cpp)\n", argv[i]);
            return 2;
        }
        *value = argv[++i];
    }
    if (in.expect.empty() || in.state.empty() || in.log.empty() || in.timeline.empty()) {
        std::fprintf(stderr, "usage: zidcheck --expect F --state F --log F --timeline F --sent N "
                             "--host-exit N [--seconds S]\n");
        return 2;
    }
    return Compare(in);
}
