// zidpanel: plays a ZID-12 panel on a serial port. It sends the lines the
// panel sends (composed by the core's line composer), paced at the line's
// baud rate, from a scenario file or from commands typed at its prompt.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "driver/version.h"
#include "host_abi/driver_log.h"
#include "serial/serial_port.h"
#include "tools/common/capture.h"
#include "tools/common/console_text.h"
#include "tools/common/files.h"
#include "tools/common/line_settings.h"
#include "tools/common/numbers.h"
#include "tools/common/option_table.h"
#include "tools/common/panel_model.h"
#include "tools/common/readable.h"
#include "tools/common/scenario.h"

namespace {

using zidtools::Done;
using zidtools::Failure;
using zidtools::OptionValue;
using zidtools::Status;

constexpr int kExitUsage = 2;
constexpr int kExitPort = 4;

struct Options {
    std::string port = "COM2";
    zidtools::LineSettings settings;
    zid::LineBlock line{9600, 8, 0, 0};
    long gapMs = 150;
    bool gapGiven = false;
    double speed = 1.0;
    std::string scenario, expect;
    bool dryRun = false, help = false, version = false;
};

template <const char* kName>
Status Line(Options& o, const std::string& value) {
    return zidtools::ApplyLineSetting(kName, value, o.settings);
}
constexpr char kBaud[] = "baud", kDataBits[] = "data-bits", kStopBits[] = "stop-bits",
               kParity[] = "parity";

Status Flag(bool& flag) {
    flag = true;
    return Done{};
}

constexpr zidtools::OptionSpec<Options> kOptions[] = {
    {"--port", "NAME", OptionValue::kRequired, "serial port, e.g. COM2 (default COM2)",
     [](Options& o, const std::string& v) {
         o.port = zidtools::DevicePortName(v);
         return Status(Done{});
     }},
    {"--baud", "N", OptionValue::kRequired, "baud rate (default 9600)", Line<kBaud>},
    {"--data-bits", "N", OptionValue::kRequired, "data bits, 5 to 8 (default 8)", Line<kDataBits>},
    {"--stop-bits", "1|1.5|2", OptionValue::kRequired, "stop bits (default 1)", Line<kStopBits>},
    {"--parity", "P", OptionValue::kRequired, "none, odd, even, mark or space (default none)",
     Line<kParity>},
    {"--gap", "MS", OptionValue::kRequired, "pause after each line (default 150; 0 with --speed 0)",
     [](Options& o, const std::string& v) {
         const std::optional<long> ms = zidtools::ParseNumber(v, 0, 600000);
         if (!ms) return Status(Failure{"a number of milliseconds from 0 to 600000"});
         o.gapMs = *ms;
         o.gapGiven = true;
         return Status(Done{});
     }},
    {"--scenario", "FILE", OptionValue::kRequired,
     "send the commands of FILE, then exit (default: a prompt)",
     [](Options& o, const std::string& v) {
         o.scenario = v;
         return Status(Done{});
     }},
    {"--speed", "X", OptionValue::kRequired,
     "how fast the waits pass: 1 real time (default), 2 twice as\n"
     "fast, 0 none (lines back to back, still paced at the baud rate)",
     [](Options& o, const std::string& v) {
         if (!zidtools::ParseReplaySpeed(v.c_str(), o.speed))
             return Status(Failure{"speed takes 0 (no waits) or a number from 0.01 to 1000: 1 "
                                   "real time, 2 twice as fast"});
         return Status(Done{});
     }},
    {"--expect", "FILE", OptionValue::kRequired,
     "write the gates and status words the lines should produce",
     [](Options& o, const std::string& v) {
         o.expect = v;
         return Status(Done{});
     }},
    {"--dry-run", nullptr, OptionValue::kNone, "show the lines without opening a port",
     [](Options& o, const std::string&) { return Flag(o.dryRun); }},
    {"--version", nullptr, OptionValue::kNone, "print zidpanel's version",
     [](Options& o, const std::string&) { return Flag(o.version); }},
    {"--help", nullptr, OptionValue::kNone, "this text",
     [](Options& o, const std::string&) { return Flag(o.help); }},
    {"-h", nullptr, OptionValue::kNone, nullptr,
     [](Options& o, const std::string&) { return Flag(o.help); }},
    {"/?", nullptr, OptionValue::kNone, nullptr,
     [](Options& o, const std::string&) { return Flag(o.help); }},
};

const auto gStart = std::chrono::steady_clock::now();

double Elapsed() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
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
    if (Status parsed = zidtools::ParseCommandLine(kOptions, argc, argv, panel.options); !parsed) {
        std::fprintf(stderr, "zidpanel: %s\n", parsed.Error().c_str());
        return kExitUsage;
    }
    Options& o = panel.options;
    if (o.help) {
        std::printf("usage: zidpanel [options]\n"
                    "Plays a ZID-12 panel: sends its event lines on a serial port, paced at the "
                    "baud rate.\n\n%s\nCommands, in a scenario file or at the prompt:\n%s",
                    zidtools::OptionUsage(kOptions).c_str(), zidtools::CommandHelp());
        return 0;
    }
    if (o.version) {
        std::printf("zidpanel %s\n", ZID_VERSION_STRING);
        return 0;
    }
    o.line = zidtools::LineBlockOf(o.settings, o.line);
    // Back to back means no gap either, unless one is asked for.
    if (o.speed == 0 && !o.gapGiven) o.gapMs = 0;
    SetConsoleOutputCP(CP_UTF8);

    // A scenario is checked whole before anything is sent.
    std::vector<zidtools::PanelCommand> script;
    if (!o.scenario.empty()) {
        zidtools::Outcome<std::vector<zidtools::PanelCommand>> read = zidtools::ReadScenario(o.scenario);
        if (!read) {
            std::string errors = read.Error();
            for (size_t at = 0; at <= errors.size();) {
                const size_t end = std::min(errors.find('\n', at), errors.size());
                std::fprintf(stderr, "zidpanel: %s\n", errors.substr(at, end - at).c_str());
                at = end + 1;
            }
            return kExitUsage;
        }
        script = std::move(*read);
    }

    if (!o.dryRun) {
        if (zid::ComOpen(o.port.c_str(), &o.line, zid::kPortLineFlags, &panel.port) != zid::kComOk) {
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
            const zidtools::Outcome<std::optional<zidtools::PanelCommand>> command =
                zidtools::ParseCommand(line);
            if (!command) {
                std::printf("%s\n", command.Error().c_str());
                continue;
            }
            if (*command && !panel.Execute(**command)) break;
        }
    }
    // Let the last line leave the wire before the port closes.
    std::this_thread::sleep_until(panel.wireFree);
    if (!o.dryRun) zid::ComClose(panel.port);

    if (!o.expect.empty()) {
        if (Status written = zidtools::WriteFileBytes(o.expect, panel.model.Describe()); !written) {
            std::fprintf(stderr, "zidpanel: %s\n", written.Error().c_str());
            status = kExitUsage;
        }
    }
    std::printf("sent %d line(s)%s\n", panel.sent,
                panel.model.rawLines ? " (raw lines are not modelled in --expect)" : "");
    return status;
}
