#include "tools/zidhost/options.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/common/journal.h"
#include "tools/common/numbers.h"
#include "tools/common/readable.h"

namespace zidhost {

const char kUsage[] =
    "usage: zidhost [options]\n"
    "Runs the ZID-12 driver (ZIZEZOZU.DLL) as the host does and shows what it makes of\n"
    "the panel's lines.\n"
    "\n"
    "  --port NAME         serial port, e.g. COM1 (default COM1); NUL for none\n"
    "  --baud N            baud rate (default: the driver's, 9600)\n"
    "  --data-bits N       data bits (default 8)\n"
    "  --stop-bits 1|1.5|2 stop bits (default 1)\n"
    "  --parity P          none, odd, even, mark or space (default none)\n"
    "  --timeout N         read timeout in tens of ms (default: the driver's, 4)\n"
    "  --channel N         channel number (default 1)\n"
    "  --poll MS           how often the status words are read (default 20)\n"
    "  --tick MS           the host's message tick that paces the driver (default 50)\n"
    "  --tags FILE         tag addresses to register, one per line, '#' comments\n"
    "  --check-tags FILE   only check the tags of FILE through the driver and list\n"
    "                      each refused one with its line number and the reason\n"
    "  --compose           only open the driver's Tag Format dialog (command 16) and\n"
    "                      print the address composed there\n"
    "  --seconds N         stop after N seconds (default: run until Ctrl+C)\n"
    "  --stop-file FILE    stop when FILE appears\n"
    "  --state-file FILE   write the final gates and status words to FILE\n"
    "  --log FILE          also write the driver's log lines to FILE (or --log-file)\n"
    "  --report DIR        keep the session journal DIR/events.csv (every line, gate,\n"
    "                      status word, port change and command, as it happens) and\n"
    "                      write the walk-test report DIR/walk-test.csv and .md at the end\n"
    "  --site-name TEXT    the site, and\n"
    "  --operator TEXT     the engineer, for the walk-test report\n"
    "  --capture FILE      write every line the driver reads to FILE as a zidpanel\n"
    "                      scenario (zidpanel --scenario FILE replays it); with several\n"
    "                      channels, FILE-N for channel N\n"
    "  --rebuild-report DIR  only build the walk-test report again from DIR/events.csv\n"
    "                      (after a run that was killed)\n"
    "  --dll PATH          the driver (default: ZIZEZOZU.DLL beside zidhost, or in the\n"
    "                      folder above it)\n"
    "  --site FILE         several channels, one per panel: a section [channel N] for\n"
    "                      each, with lines KEY = VALUE; the keys are port, baud,\n"
    "                      data-bits, stop-bits, parity, timeout and tags, valued as\n"
    "                      the options above, and name (shown in the timeline). Tag\n"
    "                      files are found relative to FILE. Not with the options\n"
    "                      --port to --tags; --state-file then writes FILE-N per channel\n"
    "  --version           print zidhost's version, and the version resource and SHA-256\n"
    "                      of the driver it would load (or --dll PATH): which driver is\n"
    "                      installed\n"
    "  --verify-package [DIR]  only check the unpacked release package in DIR (default:\n"
    "                      the folder above zidhost's own) against its SHA256SUMS, one\n"
    "                      line per file, and tell for each binary whether it carries an\n"
    "                      Authenticode signature\n"
    "  --help              this text\n"
    "\n"
    "While it runs, these commands can be typed (one per line). N names a channel; with\n"
    "several channels, purge, close, reopen and change need it, and status without it\n"
    "lists every channel:\n"
    "  purge [N]                    code 2: discard the port's pending input\n"
    "  close [N]                    code 11: close the port (the thread keeps running)\n"
    "  reopen [N]                   code 13: open the stored port again\n"
    "  change [N] PORT [BAUD [DATA [STOP [PARITY]]]]\n"
    "                               code 15: another port or line; BAUD 0 or none keeps\n"
    "                               the line (STOP: 0 one, 1 one and a half, 2 two;\n"
    "                               PARITY: 0 none, 1 odd, 2 even, 3 mark, 4 space)\n"
    "  status [N]                   the four status words and the port, now\n"
    "  quit                         stop, as Ctrl+C does\n"
    "\n"
    "Exit codes: 0 done, 2 bad usage or unreadable file, 3 driver not loadable,\n"
    "4 a channel did not start (port), 5 a tag was refused, 6 no address was composed,\n"
    "8 a file of the package is missing or differs from SHA256SUMS.\n";

namespace {

using zidtools::ParseNumber;

// Options that set up the one channel of the command-line form.
bool IsChannelOption(const std::string& a) {
    for (const char* name : {"--port", "--baud", "--data-bits", "--stop-bits", "--parity",
                             "--timeout", "--channel", "--tags"})
        if (a == name) return true;
    return false;
}

bool ReadSiteFile(const std::string& path, Options& o, std::string& error) {
    std::string text;
    if (!zidtools::ReadFileBytes(path, text)) {
        error = "cannot read the site file " + path;
        return false;
    }
    return zidtools::ParseSiteFile(text, path, zidtools::FolderOf(path), o.channels, error);
}

}  // namespace

Parsed ParseOptions(int argc, char** argv, Options& o, std::string& error) {
    zidtools::ChannelConfig channel;
    std::string channelOption;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h" || a == "/?") return Parsed::kHelp;
        if (a == "--compose" || a == "--version") {
            (a == "--compose" ? o.compose : o.version) = true;
            continue;
        }
        if (a == "--verify-package") {
            // Its folder is optional: a following option is not taken for one.
            o.verifyPackage = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') o.packageDir = argv[++i];
            continue;
        }
        static const char* const kValued[] = {
            "--port", "--baud", "--data-bits", "--stop-bits", "--parity", "--timeout",
            "--channel", "--poll", "--tick", "--tags", "--check-tags", "--stop-file",
            "--state-file", "--log-file", "--log", "--dll", "--seconds", "--site",
            "--report", "--capture", "--rebuild-report", "--site-name", "--operator"};
        bool known = false;
        for (const char* name : kValued) known = known || a == name;
        if (!known) {
            error = "unknown option " + a + " (see --help)";
            return Parsed::kBad;
        }
        if (i + 1 >= argc) {
            error = a + " needs a value (see --help)";
            return Parsed::kBad;
        }
        const char* v = argv[++i];
        long number = 0;
        bool ok = true;
        if (IsChannelOption(a)) {
            channelOption = a;
            if (a == "--channel") {
                ok = ParseNumber(v, 0, 255, number);
                channel.number = static_cast<int32_t>(number);
            } else if (!zidtools::ApplyChannelSetting(a.substr(2), v, channel, error)) {
                if (error.rfind("bad value", 0) != 0) return Parsed::kBad;
                ok = false;
            }
        }
        else if (a == "--poll") ok = ParseNumber(v, 1, 10000, o.pollMs);
        else if (a == "--tick") ok = ParseNumber(v, 0, 10000, o.tickMs);
        else if (a == "--check-tags") o.checkTags = v;
        else if (a == "--stop-file") o.stopFile = v;
        else if (a == "--state-file") o.stateFile = v;
        else if (a == "--log-file" || a == "--log") o.logFile = v;
        else if (a == "--dll") o.dll = v;
        else if (a == "--site") o.site = v;
        else if (a == "--report") o.reportDir = v;
        else if (a == "--capture") o.capture = v;
        else if (a == "--rebuild-report") o.rebuildReport = v;
        else if (a == "--site-name") o.siteName = v;
        else if (a == "--operator") o.operatorName = v;
        else if (a == "--seconds") {
            char* end = nullptr;
            o.seconds = std::strtod(v, &end);
            ok = end != v && *end == '\0' && o.seconds > 0;
        }
        if (!ok) {
            error = "bad value for " + a + ": " + v;
            return Parsed::kBad;
        }
    }
    if (o.site.empty()) {
        o.channels.push_back(channel);
        return Parsed::kRun;
    }
    if (!channelOption.empty()) {
        error = channelOption + " and --site do not go together: a site file sets up every "
                "channel (see --help)";
        return Parsed::kBad;
    }
    return ReadSiteFile(o.site, o, error) ? Parsed::kRun : Parsed::kBad;
}

}  // namespace zidhost
