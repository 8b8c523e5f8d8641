#include "tools/zidhost/options.h"

#include "tools/common/numbers.h"
#include "tools/common/option_table.h"
#include "tools/common/site_file.h"
#include "tools/zidhost/typed_commands.h"

namespace zidhost {
namespace {

using zidtools::Done;
using zidtools::Failure;
using zidtools::OptionValue;
using zidtools::Status;
using Spec = zidtools::OptionSpec<Options>;

// A setting of the one channel of the command-line form.
template <const char* kName>
Status Channel(Options& o, const std::string& value) {
    o.channelOption = std::string("--") + kName;
    return zidtools::ApplyChannelSetting(kName, value, o.commandLineChannel);
}
constexpr char kPort[] = "port", kBaud[] = "baud", kDataBits[] = "data-bits",
               kStopBits[] = "stop-bits", kParity[] = "parity", kTimeout[] = "timeout",
               kTags[] = "tags";

Status Number(const std::string& value, long low, long high, long& into) {
    const std::optional<long> n = zidtools::ParseNumber(value, low, high);
    if (!n) return Failure{"a number from " + std::to_string(low) + " to " + std::to_string(high)};
    into = *n;
    return Done{};
}

template <std::string Options::*kField>
Status Text(Options& o, const std::string& value) {
    o.*kField = value;
    return Done{};
}

constexpr Spec kOptions[] = {
    {"--port", "NAME", OptionValue::kRequired,
     "serial port, e.g. COM1 (default COM1); NUL for none", Channel<kPort>},
    {"--baud", "N", OptionValue::kRequired, "baud rate (default: the driver's, 9600)",
     Channel<kBaud>},
    {"--data-bits", "N", OptionValue::kRequired, "data bits, 5 to 8 (default 8)",
     Channel<kDataBits>},
    {"--stop-bits", "1|1.5|2", OptionValue::kRequired, "stop bits (default 1)", Channel<kStopBits>},
    {"--parity", "P", OptionValue::kRequired,
     "none, odd, even, mark or space (default none)", Channel<kParity>},
    {"--timeout", "N", OptionValue::kRequired,
     "read timeout in tens of ms (default: the driver's, 4)", Channel<kTimeout>},
    {"--channel", "N", OptionValue::kRequired, "channel number (default 1)",
     [](Options& o, const std::string& v) {
         long n = 0;
         Status s = Number(v, 0, 255, n);
         o.commandLineChannel.number = static_cast<int32_t>(n);
         o.channelOption = "--channel";
         return s;
     }},
    {"--poll", "MS", OptionValue::kRequired,
     "how often the status words are read (default 20)",
     [](Options& o, const std::string& v) { return Number(v, 1, 10000, o.pollMs); }},
    {"--tick", "MS", OptionValue::kRequired,
     "the host's message tick that paces the driver (default 50)",
     [](Options& o, const std::string& v) { return Number(v, 0, 10000, o.tickMs); }},
    {"--tags", "FILE", OptionValue::kRequired,
     "tag addresses to register, one per line, '#' comments", Channel<kTags>},
    {"--check-tags", "FILE", OptionValue::kRequired,
     "only check the tags of FILE through the driver and list\n"
     "each refused one with its line number and the reason",
     Text<&Options::checkTags>},
    {"--compose", nullptr, OptionValue::kNone,
     "only open the driver's Tag Format dialog (command 16) and\n"
     "print the address composed there",
     [](Options& o, const std::string&) {
         o.compose = true;
         return Status(Done{});
     }},
    {"--seconds", "N", OptionValue::kRequired,
     "stop after N seconds, a whole number from 1 to 604800 (a\n"
     "week) (default: run until stopped)",
     [](Options& o, const std::string& v) { return Number(v, 1, kLongestRunSeconds, o.seconds); }},
    {"--stop-file", "FILE", OptionValue::kRequired, "stop when FILE appears",
     Text<&Options::stopFile>},
    {"--state-file", "FILE", OptionValue::kRequired,
     "write the final gates and status words to FILE", Text<&Options::stateFile>},
    {"--log", "FILE", OptionValue::kRequired,
     "also write the driver's log lines to FILE (or --log-file)", Text<&Options::logFile>},
    {"--log-file", "FILE", OptionValue::kRequired, nullptr, Text<&Options::logFile>},
    {"--report", "DIR", OptionValue::kRequired,
     "keep the session journal DIR/events.csv (every line, gate,\n"
     "status word, port change and command, as it happens) and\n"
     "write the walk-test report DIR/walk-test.csv and .md at the end",
     Text<&Options::reportDir>},
    {"--site-name", "TEXT", OptionValue::kRequired, "the site, and", Text<&Options::siteName>},
    {"--operator", "TEXT", OptionValue::kRequired, "the engineer, for the walk-test report",
     Text<&Options::operatorName>},
    {"--capture", "FILE", OptionValue::kRequired,
     "write every line the driver reads to FILE as a zidpanel\n"
     "scenario (zidpanel --scenario FILE replays it); with several\n"
     "channels, FILE-N for channel N",
     Text<&Options::capture>},
    {"--rebuild-report", "DIR", OptionValue::kRequired,
     "only build the walk-test report again from DIR/events.csv\n"
     "(after a run that was killed); every row is checked, and a\n"
     "damaged one is left out and named (exit code 7)",
     Text<&Options::rebuildReport>},
    {"--dll", "PATH", OptionValue::kRequired,
     "the driver (default: ZIZEZOZU.DLL beside zidhost, or in the\n"
     "folder above it)",
     Text<&Options::dll>},
    {"--site", "FILE", OptionValue::kRequired,
     "several channels, one per panel: a section [channel N] for\n"
     "each, with lines KEY = VALUE; the keys are port, baud,\n"
     "data-bits, stop-bits, parity, timeout and tags, valued as\n"
     "the options above, and name (shown in the timeline). Tag\n"
     "files are found relative to FILE. Not with the options\n"
     "--port to --tags; --state-file then writes FILE-N per channel",
     Text<&Options::site>},
    {"--version", nullptr, OptionValue::kNone,
     "print zidhost's version, and the version resource and SHA-256\n"
     "of the driver it would load (or --dll PATH): which driver is\n"
     "installed",
     [](Options& o, const std::string&) {
         o.version = true;
         return Status(Done{});
     }},
    {"--help", nullptr, OptionValue::kNone, "this text",
     [](Options& o, const std::string&) {
         o.help = true;
         return Status(Done{});
     }},
    {"-h", nullptr, OptionValue::kNone, nullptr,
     [](Options& o, const std::string&) {
         o.help = true;
         return Status(Done{});
     }},
    {"/?", nullptr, OptionValue::kNone, nullptr,
     [](Options& o, const std::string&) {
         o.help = true;
         return Status(Done{});
     }},
};

}  // namespace

std::string Usage() {
    return "usage: zidhost [options]\n"
           "Runs the ZID-12 driver (ZIZEZOZU.DLL) as the host does and shows what it makes of\n"
           "the panel's lines.\n"
           "\n" +
           zidtools::OptionUsage(kOptions) +
           "\n"
           "While it runs, these commands can be typed (one per line). N names a channel; with\n"
           "several channels, purge, close, reopen and change need it, and status without it\n"
           "lists every channel:\n" +
           TypedCommandHelp() +
           "\n"
           "Exit codes: 0 done, 2 bad usage or unreadable file, 3 driver not loadable,\n"
           "4 a channel did not start (port), 5 a tag was refused, 6 no address was composed,\n"
           "7 the journal was damaged: rows of it were left out of the walk-test report, which\n"
           "was written all the same and says so at its top (each row is named on standard\n"
           "error with its line and the reason).\n";
}

zidtools::Outcome<Options> ParseOptions(int argc, char** argv) {
    Options o;
    if (Status parsed = zidtools::ParseCommandLine(kOptions, argc, argv, o); !parsed)
        return Failure{parsed.Error()};
    if (o.help) return o;
    if (o.site.empty()) {
        o.channels.push_back(o.commandLineChannel);
        return o;
    }
    if (!o.channelOption.empty())
        return Failure{o.channelOption +
                       " and --site do not go together: a site file sets up every channel (see "
                       "--help)"};
    zidtools::Outcome<std::vector<zidtools::ChannelConfig>> channels =
        zidtools::ReadSiteFile(o.site);
    if (!channels) return Failure{channels.Error()};
    o.channels = std::move(*channels);
    return o;
}

}  // namespace zidhost
