// zidpanel: plays a ZID-12 panel on a serial port. It sends the lines the
// panel sends (composed by the core's line composer), paced at the line's
// baud rate, from a scenario file or from commands typed at its prompt.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/version.h"
#include "serial/serial_port.h"
#include "tools/common/capture.h"
#include "tools/common/console_text.h"
#include "tools/common/numbers.h"
#include "tools/common/readable.h"
#include "tools/common/scenario.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitPort = 4;
constexpr uint16_t kLineFlags = 0x4333;  // DTR and RTS on, as the driver opens its port

const char kUsageHead[] =
    "usage: zidpanel [options]\n"
    "Plays a ZID-12 panel: sends its event lines on a serial port, paced at the baud rate.\n"
    "\n"
    "  --port NAME          serial port, e.g. COM2 (default COM2)\n"
    "  --baud N             baud rate (default 9600)\n"
    "  --data-bits N        data bits (default 8)\n"
    "  --stop-bits 1|1.5|2  stop bits (default 1)\n"
    "  --parity P           none, odd, even, mark or space (default none)\n"
    "  --gap MS             pause after each line (default 150; 0 with --speed 0)\n"
    "  --scenario FILE      send the commands of FILE, then exit (default: a prompt)\n"
    "  --speed X            how fast the waits pass: 1 real time (default), 2 twice as\n"
    "                       fast, 0 none (lines back to back, still paced at the baud rate)\n"
    "  --expect FILE        write the gates and status words the lines should produce\n"
    "  --dry-run            show the lines without opening a port\n"
    "  --version            print zidpanel's version\n"
    "  --help               this text\n"
    "\n"
    "Commands, in a scenario file or at the prompt:\n";

struct Options {
    std::string port = "COM2";
    zid::LineBlock line{9600, 8, 0, 0};
    long gapMs = 150;
    bool gapGiven = false;
    double speed = 1.0;
    std::string scenario, expect;
    bool dryRun = false;
};

const auto gStart = std::chrono::steady_clock::now();

double Elapsed() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
}

using zidtools::ParseNumber;

bool ParseOptions(int argc, char** argv, Options& o, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h" || a == "/?") {
            help = true;
            return true;
        }
        if (a == "--version") {
            std::printf("zidpanel %s\n", ZID_VERSION_STRING);
            std::exit(0);
        }
        if (a == "--dry-run") {
            o.dryRun = true;
            continue;
        }
        static const char* const kValued[] = {"--port", "--baud", "--data-bits", "--stop-bits",
                                               "--parity", "--gap", "--scenario", "--expect",
                                               "--speed"};
        bool known = false;
        for (const char* name : kValued) known = known || a == name;
        if (!known) {
            std::fprintf(stderr, "zidpanel: unknown option %s (see --help)\n", a.c_str());
            return false;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "zidpanel: %s needs a value (see --help)\n", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        long n = 0;
        bool ok = true;
        if (a == "--port") o.port = zidtools::DevicePortName(v);
        else if (a == "--baud") ok = ParseNumber(v, 1, 65535, n), o.line.baud = static_cast<uint16_t>(n);
        else if (a == "--data-bits") ok = ParseNumber(v, 5, 8, n), o.line.dataBits = static_cast<uint16_t>(n);
        else if (a == "--stop-bits") {
            const std::string s = v;
            ok = s == "1" || s == "1.5" || s == "2";
            o.line.stopBits = s == "1" ? 0 : s == "1.5" ? 1 : 2;
        } else if (a == "--parity") {
            const char* names[] = {"none", "odd", "even", "mark", "space"};
            ok = false;
            for (uint16_t k = 0; k < 5; ++k)
                if (std::strcmp(v, names[k]) == 0) ok = true, o.line.parity = k;
        } else if (a == "--gap") ok = ParseNumber(v, 0, 600000, o.gapMs), o.gapGiven = true;
        else if (a == "--speed") {
            if (!zidtools::ParseReplaySpeed(v, o.speed)) {
                std::fprintf(stderr,
                             "zidpanel: --speed takes a number of 0 or more (1 real time, 0 no "
                             "waits): %s\n", v);
                return false;
            }
        }
        else if (a == "--scenario") o.scenario = v;
        else if (a == "--expect") o.expect = v;
        else {
            std::fprintf(stderr, "zidpanel: unknown option %s (see --help)\n", a.c_str());
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "zidpanel: bad value for %s: %s\n", a.c_str(), v);
            return false;
        }
    }
    // Back to back means no gap either, unless one is asked for.
    if (o.speed == 0 && !o.gapGiven) o.gapMs = 0;
    return true;
}

// Bits on the wire per character: start, data, parity, stop.
double BitsPerCharacter(const zid::LineBlock& line) {
    const double stop = line.stopBits == 0 ? 1.0 : line.stopBits == 1 ? 1.5 : 2.0;
    return 1.0 + line.dataBits + (line.parity != 0 ? 1.0 : 0.0) + stop;
}

struct Panel {
    Options options;
    zid::PortHandle port = 0;
    zidtools::PanelModel model;
    int sent = 0;
    std::chrono::steady_clock::time_point wireFree = std::chrono::steady_clock::now();

    bool Send(const std::string& bytes, const std::string& what) {
        // Paced: a line goes out only when the previous one has left the wire.
        std::this_thread::sleep_until(wireFree);
        if (!options.dryRun) {
            uint32_t written = 0;
            const int32_t r = zid::ComWrite(port, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                            &written);
            if (r != zid::kComOk) {
                std::fprintf(stderr, "zidpanel: writing to %s failed (code %d, %u of %zu bytes)\n",
                             options.port.c_str(), r, written, bytes.size());
                return false;
            }
        }
        const double seconds = bytes.size() * BitsPerCharacter(options.line) / options.line.baud;
        wireFree = std::chrono::steady_clock::now() +
                   std::chrono::microseconds(static_cast<long long>(seconds * 1e6)) +
                   std::chrono::milliseconds(options.gapMs);
        ++sent;
        std::string shown = bytes;
        if (!shown.empty() && shown.back() == '\0') shown.pop_back();
        char head[96];
        std::snprintf(head, sizeof head, "[%8.3f] sent   %-34s ", Elapsed(), what.c_str());
        zidtools::WriteText(stdout, head + zidtools::ReadablePanelLine(shown) + "\n");
        std::fflush(stdout);
        return true;
    }

    // Returns false when the panel should stop (quit, or a write failed).
    bool Execute(const zidtools::PanelCommand& c) {
        switch (c.kind) {
            case zidtools::PanelCommand::kHelp:
                std::fputs(zidtools::CommandHelp(), stdout);
                return true;
            case zidtools::PanelCommand::kQuit:
                return false;
            case zidtools::PanelCommand::kWait:
                std::this_thread::sleep_for(std::chrono::milliseconds(
                    zidtools::ScaledWait(c.milliseconds, options.speed)));
                return true;
            case zidtools::PanelCommand::kRaw:
                model.Apply(c);
                return Send(c.bytes, "raw: " + zidtools::HexBytes(c.bytes));
            case zidtools::PanelCommand::kEvent: {
                const std::string bytes = zidtools::EventBytes(c.fields);
                if (bytes.empty()) {
                    std::fprintf(stderr, "zidpanel: the line composer cannot express this event\n");
                    return true;
                }
                model.Apply(c);
                std::string what = zidtools::EventName(c.fields);
                const std::string gate = zidtools::GateOf(c.fields);
                if (!gate.empty()) what += " (gate " + gate + ")";
                return Send(bytes, what);
            }
        }
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    Panel panel;
    bool help = false;
    if (!ParseOptions(argc, argv, panel.options, help)) return kExitUsage;
    if (help) {
        std::fputs(kUsageHead, stdout);
        std::fputs(zidtools::CommandHelp(), stdout);
        return 0;
    }
    SetConsoleOutputCP(CP_UTF8);
    const Options& o = panel.options;

    // A scenario is checked whole before anything is sent.
    std::vector<zidtools::PanelCommand> script;
    if (!o.scenario.empty()) {
        std::ifstream in(o.scenario);
        if (!in) {
            std::fprintf(stderr, "zidpanel: cannot read the scenario %s\n", o.scenario.c_str());
            return kExitUsage;
        }
        int number = 0;
        bool ok = true;
        for (std::string line; std::getline(in, line);) {
            ++number;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string error;
            if (!zidtools::ParseCommand(line, script, error)) {
                std::fprintf(stderr, "zidpanel: %s:%d: %s\n", o.scenario.c_str(), number,
                             error.c_str());
                ok = false;
            }
        }
        if (!ok) return kExitUsage;
    }

    if (!o.dryRun) {
        if (zid::ComOpen(o.port.c_str(), &o.line, kLineFlags, &panel.port) != zid::kComOk) {
            std::fprintf(stderr, "zidpanel: cannot open the port %s\n", o.port.c_str());
            return kExitPort;
        }
    }
    std::printf("zidpanel on %s, %u baud, %u data bits: %.2f ms per character\n",
                o.dryRun ? "(dry run)" : o.port.c_str(), o.line.baud, o.line.dataBits,
                1000.0 * BitsPerCharacter(o.line) / o.line.baud);
    if (o.speed == 0)
        std::printf("no waits: lines back to back, %ld ms after each\n", o.gapMs);
    else if (o.speed != 1.0)
        std::printf("waits at speed %g: %ld ms of wait take %ld ms\n", o.speed, 1000L,
                    zidtools::ScaledWait(1000, o.speed));
    std::fflush(stdout);

    int status = 0;
    if (!o.scenario.empty()) {
        for (const zidtools::PanelCommand& c : script) {
            if (!panel.Execute(c)) {
                status = c.kind == zidtools::PanelCommand::kQuit ? 0 : kExitPort;
                break;
            }
        }
    } else {
        std::printf("type help for the commands\n");
        for (;;) {
            std::printf("zidpanel> ");
            std::fflush(stdout);
            std::string line;
            if (!std::getline(std::cin, line)) break;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::vector<zidtools::PanelCommand> commands;
            std::string error;
            if (!zidtools::ParseCommand(line, commands, error)) {
                std::printf("%s\n", error.c_str());
                continue;
            }
            bool go = true;
            for (const auto& c : commands) go = go && panel.Execute(c);
            if (!go) break;
        }
    }
    // Let the last line leave the wire before the port closes.
    std::this_thread::sleep_until(panel.wireFree);
    if (!o.dryRun) zid::ComClose(panel.port);

    if (!o.expect.empty()) {
        std::ofstream out(o.expect, std::ios::binary);
        out << panel.model.Describe();
        if (!out) {
            std::fprintf(stderr, "zidpanel: cannot write %s\n", o.expect.c_str());
            status = kExitUsage;
        }
    }
    std::printf("sent %d line(s)%s\n", panel.sent,
                panel.model.rawLines ? " (raw lines are not modelled in --expect)" : "");
    return status;
}
