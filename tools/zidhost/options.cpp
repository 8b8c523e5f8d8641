#include "tools/zidhost/options.h"

#include <cstdlib>
#include <cstring>

#include "host_abi/context.h"
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
    "  --dll PATH          the driver (default: ZIZEZOZU.DLL beside zidhost, or in the\n"
    "                      folder above it)\n"
    "  --help              this text\n"
    "\n"
    "While it runs, these commands can be typed (one per line):\n"
    "  purge                        code 2: discard the port's pending input\n"
    "  close                        code 11: close the port (the thread keeps running)\n"
    "  reopen                       code 13: open the stored port again\n"
    "  change PORT [BAUD [DATA [STOP [PARITY]]]]\n"
    "                               code 15: another port or line; BAUD 0 or none keeps\n"
    "                               the line (STOP: 0 one, 1 one and a half, 2 two;\n"
    "                               PARITY: 0 none, 1 odd, 2 even, 3 mark, 4 space)\n"
    "  status                       read the four status words now\n"
    "  quit                         stop, as Ctrl+C does\n"
    "\n"
    "Exit codes: 0 done, 2 bad usage or unreadable file, 3 driver not loadable,\n"
    "4 channel did not start (port), 5 a tag was refused, 6 no address was composed.\n";

namespace {

using zidtools::ParseNumber;

bool ParseStopBits(const std::string& s, long& code) {
    code = s == "1" ? 0 : s == "1.5" ? 1 : s == "2" ? 2 : -1;
    return code >= 0;
}

bool ParseParity(const char* v, long& code) {
    const char* names[] = {"none", "odd", "even", "mark", "space"};
    code = -1;
    for (long k = 0; k < 5; ++k)
        if (std::strcmp(v, names[k]) == 0) code = k;
    return code >= 0;
}

}  // namespace

Parsed ParseOptions(int argc, char** argv, Options& o, std::string& error) {
    ChannelOptions channel;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h" || a == "/?") return Parsed::kHelp;
        if (a == "--compose") {
            o.compose = true;
            continue;
        }
        static const char* const kValued[] = {
            "--port", "--baud", "--data-bits", "--stop-bits", "--parity", "--timeout",
            "--channel", "--poll", "--tick", "--tags", "--check-tags", "--stop-file",
            "--state-file", "--log-file", "--log", "--dll", "--seconds"};
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
        if (a == "--port") channel.port = zidtools::DevicePortName(v);
        else if (a == "--baud") ok = ParseNumber(v, 1, 65535, channel.line.baud);
        else if (a == "--data-bits") ok = ParseNumber(v, 4, 8, channel.line.dataBits);
        else if (a == "--stop-bits") ok = ParseStopBits(v, channel.line.stopBits);
        else if (a == "--parity") ok = ParseParity(v, channel.line.parity);
        else if (a == "--timeout") ok = ParseNumber(v, 0, 100000, channel.line.timeout);
        else if (a == "--channel") ok = ParseNumber(v, 0, 255, number), channel.number = number;
        else if (a == "--poll") ok = ParseNumber(v, 1, 10000, o.pollMs);
        else if (a == "--tick") ok = ParseNumber(v, 0, 10000, o.tickMs);
        else if (a == "--tags") channel.tags = v;
        else if (a == "--check-tags") o.checkTags = v;
        else if (a == "--stop-file") o.stopFile = v;
        else if (a == "--state-file") o.stateFile = v;
        else if (a == "--log-file" || a == "--log") o.logFile = v;
        else if (a == "--dll") o.dll = v;
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
    if (channel.port.size() >= static_cast<size_t>(zid::kPortNameSize)) {
        error = "port name " + channel.port + " is too long: the driver takes at most " +
                std::to_string(zid::kPortNameSize - 1) + " characters";
        return Parsed::kBad;
    }
    o.channels.push_back(channel);
    return Parsed::kRun;
}

}  // namespace zidhost
