// zidhost: runs ZIZEZOZU.DLL as the Qelmar host does, with the stand-in host
// library, and shows what the driver makes of the panel: its log lines, each
// panel line readable in UTF-8, and a timeline line for every change of a
// gate or a status word. On a PC with a real COM port it is a commissioning
// console for a panel.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "address/address.h"
#include "host_abi/requests.h"
#include "standin/qelmar_sim.h"
#include "tools/common/numbers.h"
#include "tools/common/readable.h"
#include "tools/common/tag_file.h"

namespace {

using SulMainFn = int32_t (*)(DriverRequest*);

constexpr int kExitUsage = 2;
constexpr int kExitDll = 3;
constexpr int kExitPort = 4;
constexpr int kExitTags = 5;
constexpr int kExitNoAddress = 6;

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
    "  --dll PATH          the driver (default: ZIZEZOZU.DLL beside zidhost)\n"
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

struct Options {
    std::string port = "COM1";
    long baud = -1, dataBits = -1, stopBits = -1, parity = -1, timeout = -1;
    long channel = 1;
    long pollMs = 20;
    long tickMs = 50;
    std::string tags, checkTags, stopFile, stateFile, logFile, dll;
    double seconds = 0;
    bool compose = false;
};

// --- Output ------------------------------------------------------------------

std::mutex gOut;
const auto gStart = std::chrono::steady_clock::now();
std::atomic<bool> gStop{false};
std::atomic<int> gPanelLines{0};
std::atomic<bool> gShutDownLogged{false};

double Elapsed() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
}

void Timeline(const char* kind, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(gOut);
    std::printf("[%8.3f] %-6s %s\n", Elapsed(), kind, text);
    std::fflush(stdout);
}

void Error(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> guard(gOut);
    std::fflush(stdout);
    std::fprintf(stderr, "zidhost: %s\n", text);
    std::fflush(stderr);
}

// Bytes of a log line with everything outside printable ASCII as \xNN.
std::string Escaped(const char* text) {
    std::string out;
    char esc[8];
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p >= 0x20 && *p < 0x7F) {
            out += static_cast<char>(*p);
        } else {
            std::snprintf(esc, sizeof esc, "\\x%02X", *p);
            out += esc;
        }
    }
    return out;
}

void LogSink(const char* line, void*) {
    static const char kPanel[] = "SulVOR: PLC read this message: ";
    Timeline("log", "%s", Escaped(line).c_str());
    if (std::strncmp(line, kPanel, sizeof kPanel - 1) == 0) {
        Timeline("panel", "%s", zidtools::ReadablePanelLine(line + sizeof kPanel - 1).c_str());
        ++gPanelLines;
    } else if (std::strcmp(line, "SulVOR : Got Illegal length Msg") == 0) {
        ++gPanelLines;
    } else if (std::strcmp(line, "SulVOR : ShutDown !") == 0) {
        gShutDownLogged = true;
    }
}

std::string BitChanges(uint16_t before, uint16_t after) {
    std::string out;
    const uint16_t changed = before ^ after;
    const struct {
        uint16_t mask;
        const char* name;
    } bits[] = {{1, "fire"}, {2, "fault"}};
    for (const auto& b : bits) {
        if (!(changed & b.mask)) continue;
        if (!out.empty()) out += ", ";
        out += b.name;
        out += (after & b.mask) ? " on" : " off";
    }
    if (changed & ~3u) out += out.empty() ? "other bits" : ", other bits";
    return out;
}

void GateSink(uint8_t channel, const char* address, uint16_t before, uint16_t after, void*) {
    if (before == after) return;
    Timeline("gate", "%s  0x%04X -> 0x%04X  %s  (channel %u)", address, before, after,
             BitChanges(before, after).c_str(), channel);
}

BOOL WINAPI OnConsoleCtrl(DWORD) {
    gStop = true;
    return TRUE;
}

// --- Options -----------------------------------------------------------------

using zidtools::ParseNumber;

bool ParseOptions(int argc, char** argv, Options& o, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h" || a == "/?") {
            help = true;
            return true;
        }
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
            Error("unknown option %s (see --help)", a.c_str());
            return false;
        }
        if (i + 1 >= argc) {
            Error("%s needs a value (see --help)", a.c_str());
            return false;
        }
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--port") o.port = zidtools::DevicePortName(v);
        else if (a == "--baud") ok = ParseNumber(v, 1, 65535, o.baud);
        else if (a == "--data-bits") ok = ParseNumber(v, 4, 8, o.dataBits);
        else if (a == "--stop-bits") {
            const std::string s = v;
            o.stopBits = s == "1" ? 0 : s == "1.5" ? 1 : s == "2" ? 2 : -1;
            ok = o.stopBits >= 0;
        } else if (a == "--parity") {
            const char* names[] = {"none", "odd", "even", "mark", "space"};
            o.parity = -1;
            for (long k = 0; k < 5; ++k)
                if (std::strcmp(v, names[k]) == 0) o.parity = k;
            ok = o.parity >= 0;
        } else if (a == "--timeout") ok = ParseNumber(v, 0, 100000, o.timeout);
        else if (a == "--channel") ok = ParseNumber(v, 0, 255, o.channel);
        else if (a == "--poll") ok = ParseNumber(v, 1, 10000, o.pollMs);
        else if (a == "--tick") ok = ParseNumber(v, 0, 10000, o.tickMs);
        else if (a == "--tags") o.tags = v;
        else if (a == "--check-tags") o.checkTags = v;
        else if (a == "--stop-file") o.stopFile = v;
        else if (a == "--state-file") o.stateFile = v;
        else if (a == "--log-file" || a == "--log") o.logFile = v;
        else if (a == "--dll") o.dll = v;
        else if (a == "--seconds") {
            char* end = nullptr;
            o.seconds = std::strtod(v, &end);
            ok = end != v && *end == '\0' && o.seconds > 0;
        } else {
            Error("unknown option %s (see --help)", a.c_str());
            return false;
        }
        if (!ok) {
            Error("bad value for %s: %s", a.c_str(), v);
            return false;
        }
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string DefaultDllPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    const size_t slash = dir.find_last_of("\\/");
    dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
    return dir + "ZIZEZOZU.DLL";
}

std::string SystemMessage(DWORD code) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

// --- The driver, as the host sees it -----------------------------------------

struct Driver {
    SulMainFn sulMain = nullptr;
    zid::DriverInfo info{};
    std::vector<unsigned char> context;  // zero-filled, of the reported size
    int32_t channel = 1;

    int32_t Call(int32_t command, void* argument) {
        DriverRequest request{context.data(), command, channel, 0, argument};
        return sulMain(&request);
    }
};

struct Tag {
    int lineNumber;
    std::string text;       // upper-cased by the driver
    int32_t pointType = 0;  // from command 3
    uint32_t gateId = 0;    // the host's id, for gate tags
    bool gate = false;
};

// Command 3 for one tag. The text is handed over in a buffer of its own,
// which the driver upper-cases.
int32_t ValidateTag(Driver& d, Tag& tag) {
    std::vector<char> text(tag.text.begin(), tag.text.end());
    text.resize(std::max<size_t>(text.size() + 1, zid::kAddressSize + 1), '\0');
    zid::TagAddressArgs args{};
    args.address = text.data();
    const int32_t result = d.Call(3, &args);
    tag.text = text.data();
    tag.pointType = args.pointType;
    return result;
}

// Command 5: the 16-bit value of a gate (pointType 0) or a status word.
bool ReadPoint(Driver& d, uint32_t pointType, uint32_t gateId, uint16_t& value) {
    zid::PointValue out{};
    zid::PointReadArgs args{};
    args.pointType = pointType;
    args.gateId = gateId;
    args.valueOut = &out;
    if (d.Call(5, &args) != 0) return false;
    value = out.value;
    return true;
}

// Checks (and registers) the tags of a file through command 3. Refused tags
// are reported with their line number and the reason. Returns the number
// refused, or -1 when the file cannot be read.
int RegisterTags(Driver& d, const std::string& path, std::vector<Tag>& accepted,
                 bool defineGates) {
    std::string text;
    if (!ReadWholeFile(path, text)) {
        Error("cannot read the tag file %s", path.c_str());
        return -1;
    }
    int refused = 0;
    uint32_t registered = 0;
    for (const zidtools::TagLine& line : zidtools::ParseTagFile(text)) {
        if (!line.error.empty()) {
            Error("%s:%d: %s", path.c_str(), line.lineNumber, line.error.c_str());
            ++refused;
            continue;
        }
        Tag tag{line.lineNumber, line.tag};
        const zid::TagRefusal why = zid::ExplainTagRefusal(line.tag.c_str(), registered);
        if (defineGates && zidtools::LooksLikeGateTag(line.tag) && why == zid::TagRefusal::kAccepted) {
            // The host's own database knows the gate before a point uses it.
            std::string upper = line.tag;
            for (char& c : upper)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            tag.gateId = QelSimDefineGate(static_cast<uint8_t>(d.channel), upper.c_str());
        }
        const int32_t result = ValidateTag(d, tag);
        if (result != 0) {
            const char* reason = why == zid::TagRefusal::kAccepted ? "refused by the driver"
                                                                    : zid::TagRefusalText(why);
            Error("%s:%d: tag %s refused: %s", path.c_str(), line.lineNumber, line.tag.c_str(),
                  reason);
            ++refused;
            continue;
        }
        tag.gate = zidtools::LooksLikeGateTag(tag.text);
        if (tag.gate) ++registered;
        accepted.push_back(tag);
    }
    return refused;
}

// Lines typed at the console, handed from the reading thread to the main
// loop, which alone calls the driver.
std::mutex gTypedLock;
std::vector<std::string> gTyped;

void ReadTypedCommands() {
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::lock_guard<std::mutex> guard(gTypedLock);
        gTyped.push_back(line);
    }
}

const char* StatusName(int i) { return i == 0 ? "T" : i == 1 ? "F" : i == 2 ? "R" : "S"; }
constexpr uint32_t kStatusTypes[4] = {84, 70, 82, 83};  // T F R S

int Run(const Options& o) {
    SetConsoleOutputCP(CP_UTF8);

    // Load the driver as the host does.
    const std::string dllPath = o.dll.empty() ? DefaultDllPath() : o.dll;
    HMODULE module = LoadLibraryA(dllPath.c_str());
    if (!module) {
        const DWORD e = GetLastError();
        Error("cannot load the driver %s: %s (error %lu)", dllPath.c_str(),
              SystemMessage(e).c_str(), static_cast<unsigned long>(e));
        return kExitDll;
    }
    Driver d;
    d.sulMain = reinterpret_cast<SulMainFn>(reinterpret_cast<void*>(GetProcAddress(module, "SulMain")));
    if (!d.sulMain) {
        Error("%s has no export SulMain: not a driver for this host", dllPath.c_str());
        return kExitDll;
    }
    d.channel = static_cast<int32_t>(o.channel);

    QelSimSetLogEcho(0);
    if (!o.logFile.empty() && QelSimSetLogFile(o.logFile.c_str()) != 0) {
        Error("cannot write the log file %s", o.logFile.c_str());
        return kExitUsage;
    }
    QelSimSetLogSink(LogSink, nullptr);
    QelSimSetGateSink(GateSink, nullptr);
    QelSimSetTickPeriod(static_cast<uint32_t>(o.tickMs));

    // Command 14, then a zero-filled context of the size it reports.
    if (d.Call(14, &d.info) != 0) {
        Error("the driver refused command 14");
        return kExitDll;
    }
    d.context.assign(d.info.contextSize, 0);
    Timeline("driver", "%s (code %d), context of %u bytes, defaults %u baud, timeout %d",
             d.info.name ? d.info.name : "?", d.info.driverCode, d.info.contextSize,
             d.info.line.baud, d.info.timeout);

    if (o.compose) {
        // Command 16: the driver's modal dialog; the buffer holds at least 13 bytes.
        char address[13] = "";
        zid::AddressDialogArgs args{address, nullptr};
        const int32_t composed = d.Call(16, &args);
        if (composed == 0) {
            std::printf("composed address: %s\n", address);
            return 0;
        }
        std::printf("no address was composed (result %d)\n", composed);
        return kExitNoAddress;
    }

    std::vector<Tag> tags;
    if (!o.checkTags.empty()) {
        const int refused = RegisterTags(d, o.checkTags, tags, false);
        if (refused < 0) return kExitUsage;
        std::printf("%s: %zu tag(s) accepted, %d refused\n", o.checkTags.c_str(), tags.size(),
                    refused);
        return refused == 0 ? 0 : kExitTags;
    }

    // Command 1 with the port parameters.
    zid::PortParams params{};
    if (o.port.size() >= sizeof params.name) {
        Error("port name %s is too long: the driver takes at most %zu characters", o.port.c_str(),
              sizeof params.name - 1);
        return kExitUsage;
    }
    std::memcpy(params.name, o.port.c_str(), o.port.size());
    params.enabled = 1;
    params.timeout = o.timeout >= 0 ? static_cast<int32_t>(o.timeout) : d.info.timeout;
    params.line = d.info.line;
    if (o.baud >= 0) params.line.baud = static_cast<uint16_t>(o.baud);
    if (o.dataBits >= 0) params.line.dataBits = static_cast<uint16_t>(o.dataBits);
    if (o.stopBits >= 0) params.line.stopBits = static_cast<uint16_t>(o.stopBits);
    if (o.parity >= 0) params.line.parity = static_cast<uint16_t>(o.parity);
    params.unused = d.info.lastParameter;
    const int32_t started = d.Call(1, &params);
    if (started != 0) {
        Error("channel %ld did not start on %s (result %d): %s", o.channel, o.port.c_str(),
              started,
              started == 1 ? "the host client could not be made"
                           : "the port would not open, or the receiver thread did not start");
        return kExitPort;
    }
    Timeline("start", "channel %ld on %s, %u baud, %u data bits, stop code %u, parity code %u, "
             "timeout %d0 ms",
             o.channel, o.port.c_str(), params.line.baud, params.line.dataBits,
             params.line.stopBits, params.line.parity, params.timeout);

    char clientName[32];
    std::snprintf(clientName, sizeof clientName, "SulVOR No_%.2ld", o.channel);
    const uint8_t client = QelSimFindClient(clientName);

    auto shutdown = [&]() {
        // The host shuts the client's queue down; the thread then ends by itself.
        if (client != 0) {
            QelSimShutdownClient(client);
            for (int i = 0; i < 300 && !gShutDownLogged; ++i) Sleep(10);
        }
        const int32_t closed = d.Call(11, nullptr);
        if (closed != 0) Error("closing the port failed (result %d)", closed);
    };

    if (!o.tags.empty()) {
        const int refused = RegisterTags(d, o.tags, tags, true);
        if (refused != 0) {
            if (refused > 0) Error("%d tag(s) refused; fix the tag file and start again", refused);
            shutdown();
            return refused < 0 ? kExitUsage : kExitTags;
        }
        Timeline("tags", "%zu tag(s) registered from %s", tags.size(), o.tags.c_str());
    }

    uint16_t status[4] = {};
    for (int i = 0; i < 4; ++i) ReadPoint(d, kStatusTypes[i], 0, status[i]);
    Timeline("status", "T=%u F=%u R=%u S=%u", status[0], status[1], status[2], status[3]);
    Timeline("ready", "listening on %s; stop with quit, Ctrl+C%s; help lists the commands",
             o.port.c_str(), o.stopFile.empty() ? "" : (" or the file " + o.stopFile).c_str());
    SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
    // Detached: it may stay blocked in a read of the console until the end.
    std::thread(ReadTypedCommands).detach();

    auto execute = [&](const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        if (!(in >> verb)) return;
        if (verb == "purge") {
            Timeline("cmd", "purge: result %d", d.Call(2, nullptr));
        } else if (verb == "close") {
            Timeline("cmd", "close: result %d", d.Call(11, nullptr));
        } else if (verb == "reopen") {
            Timeline("cmd", "reopen: result %d", d.Call(13, nullptr));
        } else if (verb == "change") {
            std::string port;
            long values[4] = {0, 8, 0, 0};
            in >> port;
            for (long& v : values)
                if (!(in >> v)) break;
            port = zidtools::DevicePortName(port);
            zid::PortChangeArgs args{};
            if (port.empty() || port.size() >= sizeof args.name) {
                Timeline("cmd", "change needs a port name of 1 to %zu characters",
                         sizeof args.name - 1);
                return;
            }
            std::memcpy(args.name, port.c_str(), port.size());
            args.line = {static_cast<uint16_t>(values[0]), static_cast<uint16_t>(values[1]),
                         static_cast<uint16_t>(values[2]), static_cast<uint16_t>(values[3])};
            Timeline("cmd", "change to %s: result %d", port.c_str(), d.Call(15, &args));
        } else if (verb == "status") {
            uint16_t now[4] = {};
            for (int i = 0; i < 4; ++i) ReadPoint(d, kStatusTypes[i], 0, now[i]);
            Timeline("status", "T=%u F=%u R=%u S=%u", now[0], now[1], now[2], now[3]);
        } else if (verb == "quit" || verb == "exit") {
            gStop = true;
        } else if (verb == "help") {
            Timeline("cmd", "purge | close | reopen | change PORT [BAUD [DATA [STOP [PARITY]]]] | "
                            "status | quit");
        } else {
            Timeline("cmd", "unknown command %s: purge, close, reopen, change, status, quit",
                     verb.c_str());
        }
    };

    while (!gStop) {
        Sleep(static_cast<DWORD>(o.pollMs));
        std::vector<std::string> typed;
        {
            std::lock_guard<std::mutex> guard(gTypedLock);
            typed.swap(gTyped);
        }
        for (const std::string& line : typed) execute(line);
        for (int i = 0; i < 4; ++i) {
            uint16_t now = 0;
            if (ReadPoint(d, kStatusTypes[i], 0, now) && now != status[i]) {
                Timeline("status", "%s %u -> %u", StatusName(i), status[i], now);
                status[i] = now;
            }
        }
        if (o.seconds > 0 && Elapsed() >= o.seconds) break;
        if (!o.stopFile.empty() && FileExists(o.stopFile)) break;
    }

    // Final state, read through command 5.
    std::string state;
    char line[96];
    int unreadable = 0;
    for (const Tag& t : tags) {
        if (!t.gate) continue;
        uint16_t value = 0;
        if (!ReadPoint(d, 0, t.gateId, value)) {
            ++unreadable;
            std::snprintf(line, sizeof line, "gate %s unreadable\n", t.text.c_str());
        } else {
            std::snprintf(line, sizeof line, "gate %s 0x%04X\n", t.text.c_str(), value);
        }
        state += line;
    }
    const int order[4] = {1, 2, 3, 0};  // F R S T, sorted as the state file is
    for (int i : order) {
        uint16_t value = 0;
        ReadPoint(d, kStatusTypes[i], 0, value);
        std::snprintf(line, sizeof line, "status %s %u\n", StatusName(i), value);
        state += line;
    }
    {
        std::lock_guard<std::mutex> guard(gOut);
        std::printf("final state after %d panel line(s):\n", gPanelLines.load());
        std::istringstream in(state);
        for (std::string l; std::getline(in, l);) std::printf("  %s\n", l.c_str());
        std::fflush(stdout);
    }
    if (!o.stateFile.empty()) {
        std::ofstream out(o.stateFile, std::ios::binary);
        out << state;
        if (!out) Error("cannot write the state file %s", o.stateFile.c_str());
    }
    shutdown();
    Timeline("stop", "done");
    return unreadable == 0 ? 0 : kExitPort;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    bool help = false;
    if (!ParseOptions(argc, argv, o, help)) return kExitUsage;
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Run(o);
}
