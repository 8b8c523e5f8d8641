#include "tools/zidhost/options.h"

#include <cstdlib>

#include "tools/common/files.h"
#include "tools/common/journal_row.h"
#include "tools/common/numbers.h"
#include "tools/common/option_table.h"
#include "tools/common/site_file.h"
#include "tools/zidhost/reopen_schedule.h"
#include "tools/zidhost/typed_commands.h"

namespace zidhost {
namespace {

using zidtools::Done;
using zidtools::Failure;
using zidtools::OptionValue;
using zidtools::Status;
using Option = zidtools::OptionSpec<Options>;

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

constexpr Option kOptions[] = {
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
     "tag addresses to register, one per line, each optionally\n"
     "followed by [type] and a label; '#' comments", Channel<kTags>},
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
    {"--reopen-every", "S", OptionValue::kRequired,
     "while a channel's port does not answer (status word !C is\n"
     "1: a USB adapter pulled out, a device error), try to bring it\n"
     "back: close it, then open the stored port again; the first\n"
     "try S seconds after it stopped answering, a whole number from\n"
     "1 to 60, then each wait twice the last, up to a minute, until\n"
     "it answers. Not while a typed close is in force (default:\n"
     "no tries)",
     [](Options& o, const std::string& v) {
         return Number(v, 1, kLongestReopenWaitSeconds, o.reopenEvery);
     }},
    {"--stop-file", "FILE", OptionValue::kRequired, "stop when FILE appears",
     Text<&Options::stopFile>},
    {"--state-file", "FILE", OptionValue::kRequired,
     "write the final gates and status words to FILE", Text<&Options::stateFile>},
    {"--log", "FILE", OptionValue::kRequired,
     "also write the driver's log lines to FILE (or --log-file)", Text<&Options::logFile>},
    {"--log-file", "FILE", OptionValue::kRequired, nullptr, Text<&Options::logFile>},
    {"--report", "DIR", OptionValue::kRequired,
     "keep the session journal DIR/events.csv (every line, gate,\n"
     "status word, port change, command and remark, as it happens)\n"
     "and write the walk-test record DIR/walk-test.html (kept up to\n"
     "date while the run lasts; print it and sign it), .md and .csv.\n"
     "DIR must hold no journal yet, unless --continue is given",
     Text<&Options::reportDir>},
    {"--continue", nullptr, OptionValue::kNone,
     "carry on the walk test whose journal is in the --report DIR\n"
     "(a walk test spread over days): the record lists each session",
     [](Options& o, const std::string&) {
         o.continueReport = true;
         return Status(Done{});
     }},
    {"--language", "en|he", OptionValue::kRequired,
     "the language of walk-test.html: en (default) or he (Hebrew)",
     [](Options& o, const std::string& v) {
         const std::optional<zidtools::Language> language = zidtools::LanguageOfCode(v);
         if (!language) return Status(Failure{"en or he"});
         o.language = *language;
         return Status(Done{});
     }},
    {"--record", "FILE", OptionValue::kRequired,
     "the record's identity: a [record] section with premises,\n"
     "address, owner, panel-model, panel-serial, panel-firmware,\n"
     "panel-location, test-type, standard, company, engineer,\n"
     "licence and witness (a site file has it in its own [record])",
     Text<&Options::recordFile>},
    {"--site-name", "TEXT", OptionValue::kRequired, "the site, and", Text<&Options::siteName>},
    {"--operator", "TEXT", OptionValue::kRequired, "the engineer, for the walk-test report",
     Text<&Options::operatorName>},
    {"--capture", "FILE", OptionValue::kRequired,
     "write every line the driver reads to FILE as a zidpanel\n"
     "scenario (zidpanel --scenario FILE replays it); with several\n"
     "channels, FILE-N for channel N",
     Text<&Options::capture>},
    {"--rebuild-report", "DIR", OptionValue::kRequired,
     "only write the walk-test record again from DIR/events.csv\n"
     "(after a run that was killed; with --language, --record); every\n"
     "row is checked, and a damaged one is left out and named (exit code 7)",
     Text<&Options::rebuildReport>},
    {"--dll", "PATH", OptionValue::kRequired,
     "the driver (default: ZIZEZOZU.DLL beside zidhost, or in the\n"
     "folder above it)",
     Text<&Options::dll>},
    {"--site", "FILE", OptionValue::kRequired,
     "several channels, one per panel: a section [channel N] for\n"
     "each, with lines KEY = VALUE; the keys are port, baud,\n"
     "data-bits, stop-bits, parity, timeout and tags, valued as\n"
     "the options above, and name (shown in the timeline); a\n"
     "[record] section as --record takes. Tag files are found\n"
     "relative to FILE. Not with the options\n"
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
    {"--verify-package", "DIR", OptionValue::kOptional,
     "only check the unpacked release package in DIR (default:\n"
     "the folder above zidhost's own) against its SHA256SUMS, one\n"
     "line per file, and tell for each binary whether it carries an\n"
     "Authenticode signature",
     [](Options& o, const std::string& v) {
         o.verifyPackage = true;
         o.packageDir = v;
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
           "error with its line and the reason), 8 a file of the package is missing or differs\n"
           "from SHA256SUMS.\n";
}

namespace {

// A folder's journal is one walk test's: a second run adds to it only when
// asked to, so that Monday's devices never show as tested on Tuesday.
Status CheckReportFolder(const Options& o) {
    if (o.continueReport && o.reportDir.empty())
        return Failure{"--continue carries on the walk test of a --report DIR: give the folder"};
    if (o.reportDir.empty()) return Done{};
    const std::string journal = zidtools::PathIn(o.reportDir, zidtools::kJournalFileName);
    // A journal with no row yet (a run stopped by its own inputs) holds no
    // walk test.
    const std::string bytes = zidtools::ReadFileBytes(journal).value_or("");
    const bool held = !bytes.empty() && zidtools::JournalHeader().compare(0, bytes.size(), bytes) != 0;
    if (held && !o.continueReport)
        return Failure{o.reportDir + " already holds the journal of a walk test (" + journal +
                       "). Give a new folder for a new walk test, or add --continue to carry "
                       "that one on. Nothing was opened."};
    if (!held && o.continueReport)
        return Failure{"--continue: " + o.reportDir + " holds no journal (" + journal +
                       ") to carry on. Nothing was opened."};
    return Done{};
}

}  // namespace

zidtools::Outcome<Options> ParseOptions(int argc, char** argv) {
    Options o;
    if (Status parsed = zidtools::ParseCommandLine(kOptions, argc, argv, o); !parsed)
        return Failure{parsed.Error()};
    if (o.help) return o;
    if (Status folder = CheckReportFolder(o); !folder) return Failure{folder.Error()};
    if (!o.site.empty() && !o.recordFile.empty())
        return Failure{"--record and --site do not go together: a site file has the record's "
                       "identity in its own [record] section (see --help)"};
    if (o.site.empty()) {
        o.channels.push_back(o.commandLineChannel);
    } else {
        if (!o.channelOption.empty())
            return Failure{o.channelOption +
                           " and --site do not go together: a site file sets up every channel "
                           "(see --help)"};
        zidtools::Outcome<std::vector<zidtools::ChannelConfig>> channels =
            zidtools::ReadSiteFile(o.site);
        if (!channels) return Failure{channels.Error()};
        o.channels = std::move(*channels);
    }
    const std::string recordFrom = o.recordFile.empty() ? o.site : o.recordFile;
    if (!recordFrom.empty()) {
        std::string notice;
        zidtools::Outcome<zidtools::RecordIdentity> record =
            zidtools::ReadRecordFile(recordFrom, &notice);
        if (!record) return Failure{record.Error()};
        o.record = std::move(*record);
        if (!notice.empty()) o.notices.push_back(notice);
    }
    return o;
}

}  // namespace zidhost
