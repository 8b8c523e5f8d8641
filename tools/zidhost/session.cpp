#include "tools/zidhost/session.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <map>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "address/address.h"
#include "panel/decoder.h"
#include "standin/qelmar_sim.h"
#include "tools/common/file_facts.h"
#include "tools/common/journal.h"
#include "tools/common/result_text.h"
#include "tools/common/walk_test.h"
#include "tools/common/tag_file.h"
#include "tools/zidhost/output.h"

namespace zidhost {
namespace {

using zid::Command;
using zid::PointType;
using zidtools::ResultText;

std::atomic<bool> gStop{false};

// The status words in the order they are shown, with their point types.
struct StatusWordName {
    char letter;
    PointType type;
};
constexpr StatusWordName kStatusWords[4] = {
    {'T', PointType::kStatusT}, {'F', PointType::kStatusF}, {'R', PointType::kStatusR},
    {'S', PointType::kStatusS}};

constexpr char kReadLine[] = "SulVOR: PLC read this message: ";
constexpr char kIllegal[] = "SulVOR : Got Illegal length Msg";
constexpr char kCutOff[] = "SulVOR: Failed to read a character from PLC";
constexpr char kNoGate[] = "SulVOR : Can not find gate ";
constexpr char kShutDown[] = "SulVOR : ShutDown !";
constexpr char kThreadStarted[] = "SulVOR : Start Unsolicited Thread";

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// "9600 8N1"
std::string LineText(const zid::LineBlock& line) {
    static const char* const kStop[] = {"1", "1.5", "2"};
    static const char kParity[] = "NOEMS";
    char text[48];
    std::snprintf(text, sizeof text, "%u %u%c%s", line.baud, line.dataBits & 0xFF,
                  (line.parity & 0xFF) < 5 ? kParity[line.parity & 0xFF] : '?',
                  (line.stopBits & 0xFF) < 3 ? kStop[line.stopBits & 0xFF] : "?");
    return text;
}

// "COM3 9600 8N1"
std::string PortText(const char* name, const zid::LineBlock& line) {
    return std::string(name) + " " + LineText(line);
}
std::string PortText(const zid::PortSettings& s) { return PortText(s.name, s.line); }

// The driver file's version resource and checksum, for the records.
struct DriverFacts {
    std::string version, sha256;
};
DriverFacts DriverFileFacts(const std::string& path) {
    DriverFacts facts;
    facts.version = zidtools::FileVersionText(path);
    zidtools::Sha256OfFile(path, facts.sha256);
    return facts;
}

void LogSink(const char* line, void* user) { static_cast<Session*>(user)->OnLog(line); }

void GateSink(uint8_t channel, const char* address, uint16_t before, uint16_t after, void* user) {
    static_cast<Session*>(user)->OnGate(channel, address, before, after);
}

BOOL WINAPI OnConsoleCtrl(DWORD) {
    gStop = true;
    return TRUE;
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

}  // namespace

// --- Tag files -------------------------------------------------------------

int ReadTagFile(const std::string& path, std::vector<Tag>& tags) {
    std::string text;
    if (!zidtools::ReadFileBytes(path, text)) {
        Error("cannot read the tag file %s", path.c_str());
        return -1;
    }
    int refused = 0;
    uint32_t gates = 0;
    for (const zidtools::TagLine& line : zidtools::ParseTagFile(text)) {
        const zid::TagRefusal why = zid::ExplainTagRefusal(line.tag.c_str(), gates);
        if (why != zid::TagRefusal::kAccepted) {
            Error("%s:%d: tag %s refused: %s", path.c_str(), line.lineNumber, line.tag.c_str(),
                  zid::TagRefusalText(why));
            ++refused;
            continue;
        }
        Tag tag{line.lineNumber, line.tag, line.label};
        tag.gate = zidtools::LooksLikeGateTag(tag.text);
        if (tag.gate) {
            ++gates;
        } else if (std::strchr("TFRS", Upper(tag.text)[1]) == nullptr) {
            Error("%s:%d: warning: tag %s names no status word (!T, !F, !R or !S): the driver "
                  "accepts it, but it reads as nothing",
                  path.c_str(), line.lineNumber, line.tag.c_str());
        }
        tags.push_back(tag);
    }
    if (tags.empty() && refused == 0)
        Error("warning: the tag file %s holds no tag: no gate will be registered", path.c_str());
    return refused;
}

int RegisterTags(zidtools::DriverChannel& channel, const std::string& path, std::vector<Tag>& tags,
                 bool defineGates) {
    int refused = 0;
    std::vector<Tag> accepted;
    for (Tag tag : tags) {
        if (defineGates && tag.gate)
            tag.gateId = QelSimDefineGate(static_cast<uint8_t>(channel.Number()), Upper(tag.text).c_str());
        const std::string written = tag.text;
        if (channel.Validate(tag.text, tag.pointType) != zid::kDone) {
            Error("%s:%d: tag %s refused by the driver", path.c_str(), tag.lineNumber,
                  written.c_str());
            ++refused;
            continue;
        }
        accepted.push_back(tag);
    }
    tags = accepted;
    return refused;
}

// --- Channels --------------------------------------------------------------

struct Session::Channel {
    zidtools::ChannelConfig config;
    ChannelTag tag;
    zidtools::DriverChannel driver;
    std::vector<Tag> tags;
    std::map<std::string, std::string> labels;  // gate address -> its label
    uint8_t client = 0;
    uint16_t status[4] = {};
    bool started = false;
    bool portOpen = false;
    std::atomic<int> linesRead{0};
    std::atomic<bool> threadStarted{false};
    std::atomic<bool> shutDownLogged{false};
    // Kept by the receiver thread's log lines, on that thread only.
    bool cutOffBefore = false;      // "Failed to read a character" came just before
    bool restFollows = false;       // an over-long line was refused: its rest comes next
    std::optional<zid::PanelEvent> lineEvent;  // of the line being decoded

    Channel(const zidtools::ChannelConfig& c, const zidtools::DriverLibrary& library)
        : config(c), tag{c.number, zidtools::DisplayName(c)}, driver(library, c.number) {}
};

Session::Session(const Options& options, const zidtools::DriverLibrary& driver)
    : options_(options), driver_(driver), records_(!options.site.empty()) {
    for (const zidtools::ChannelConfig& c : options.channels)
        channels_.push_back(std::make_unique<Channel>(c, driver));
}

Session::~Session() = default;

Session::Channel* Session::Find(int32_t number) {
    for (auto& c : channels_)
        if (c->config.number == number) return c.get();
    return nullptr;
}

// The channel a log line belongs to. On the host's thread, the channel whose
// command runs; on a receiver thread, the channel whose client it waits for;
// before its first wait (the thread's first line), the channel started last.
Session::Channel* Session::Attribute() {
    if (GetCurrentThreadId() == hostThread_) return commandChannel_;
    const uint8_t client = QelSimCallerClient();
    if (client != 0)
        for (auto& c : channels_)
            if (c->client == client) return c.get();
    return lastStarted_;
}

void Session::OnLog(const char* line) {
    Channel* c = Attribute();
    records_.Log(c ? &c->tag : nullptr, line);
    if (c == nullptr) return;
    if (StartsWith(line, kReadLine)) {
        const char* text = line + sizeof kReadLine - 1;
        zid::PanelEvent event;
        c->lineEvent = zid::FindLineEvent(text, &event) ? std::optional(event) : std::nullopt;
        records_.Line(c->tag, text, c->lineEvent, c->restFollows);
        c->restFollows = false;
        c->cutOffBefore = false;
        ++c->linesRead;
    } else if (std::strcmp(line, kCutOff) == 0) {
        c->cutOffBefore = true;
    } else if (std::strcmp(line, kIllegal) == 0) {
        // Logged while the refused characters are still in the buffer.
        const std::string buffered = c->driver.BufferedLine();
        const Refusal why = c->cutOffBefore ? Refusal::kCutOff
                            : buffered.size() == static_cast<size_t>(zid::kMaxLineLength)
                                ? Refusal::kOverlong
                                : Refusal::kEmpty;
        records_.Refused(c->tag, why, buffered);
        c->restFollows = why == Refusal::kOverlong;
        c->cutOffBefore = false;
        c->lineEvent.reset();
        ++c->linesRead;
    } else if (StartsWith(line, kNoGate)) {
        records_.UnknownGate(c->tag, line + sizeof kNoGate - 1, c->lineEvent);
    } else if (std::strcmp(line, kShutDown) == 0) {
        c->shutDownLogged = true;
    } else if (std::strcmp(line, kThreadStarted) == 0) {
        c->threadStarted = true;
    }
}

void Session::OnGate(uint8_t channel, const char* address, uint16_t before, uint16_t after) {
    if (before == after) return;
    Channel* c = Find(channel);
    if (c == nullptr) return;
    const auto label = c->labels.find(address);
    records_.Gate(c->tag, address, label == c->labels.end() ? "" : label->second, before, after);
}

bool Session::CheckInputs(int& exitCode) {
    std::string error;
    if (!options_.reportDir.empty() && !records_.OpenJournal(options_.reportDir, error)) {
        Error("%s", error.c_str());
        exitCode = kExitUsage;
        return false;
    }
    for (auto& c : channels_) {
        if (options_.capture.empty()) break;
        const std::string path = options_.site.empty()
                                     ? options_.capture
                                     : zidtools::PerChannelPath(options_.capture, c->config.number);
        const zid::PortParams p = zidtools::MakePortParams(driver_.Info(), c->config.port, c->config.line);
        if (!records_.OpenCapture(c->tag, path, c->config.port, PortText(p.name, p.line), error)) {
            Error("%s", error.c_str());
            exitCode = kExitUsage;
            return false;
        }
    }
    for (auto& c : channels_) {
        if (c->config.tags.empty()) continue;
        if (!options_.site.empty() && !FileExists(c->config.tags)) {
            Error("%s:%d: [channel %d] cannot read the tag file %s (nothing was opened)",
                  options_.site.c_str(), c->config.tagsLine, c->config.number, c->config.tags.c_str());
            exitCode = kExitUsage;
            return false;
        }
        const int refused = ReadTagFile(c->config.tags, c->tags);
        if (refused != 0) {
            if (refused > 0)
                Error("%d tag(s) refused in %s; fix the tag file and start again (nothing was opened)",
                      refused, c->config.tags.c_str());
            exitCode = refused < 0 ? kExitUsage : kExitTags;
            return false;
        }
    }
    return true;
}

void Session::ShowPort(Channel& c, const char* after) {
    const bool open = c.driver.PortOpen();
    if (open) {
        records_.Port(c.tag, true, PortText(c.driver.Settings()) + " open");
    } else {
        records_.Port(c.tag, false,
                      std::string("has no open port (") + after + "): it hears nothing from its panel");
    }
    c.portOpen = open;
}

// Starts every channel; those that fail are reported and the others run.
// Returns how many started.
int Session::StartChannels() {
    const zid::DriverInfo& info = driver_.Info();
    int started = 0;
    for (auto& owned : channels_) {
        Channel& c = *owned;
        const zidtools::ChannelConfig& o = c.config;
        const zid::PortParams params = zidtools::MakePortParams(info, o.port, o.line);
        records_.Start(c.tag, StartFactsOf(c));
        commandChannel_ = &c;
        // The new receiver thread may log before the start has answered.
        lastStarted_ = &c;
        const int32_t result = c.driver.Start(params);
        commandChannel_ = nullptr;
        if (result != zid::kDone) {
            Error("%s did not start on %s: %s", c.tag.display.c_str(), o.port.c_str(),
                  ResultText(Command::kStartChannel, result).c_str());
            // A failed start may have opened the port already: give it back.
            if (c.driver.PortOpen()) c.driver.Close();
            records_.Port(c.tag, false, "did not start on " + o.port + ": " +
                                            ResultText(Command::kStartChannel, result));
            continue;
        }
        c.started = true;
        ++started;
        // The receiver thread's first line names no client yet: it is told
        // apart by coming before the next channel starts.
        for (int i = 0; i < 300 && !c.threadStarted; ++i) Sleep(10);
        records_.Note("start",
                      (o.name.empty() ? "" : c.tag.display + ": ") + "channel " +
                          std::to_string(o.number) + " on " + o.port + ", " +
                          std::to_string(params.line.baud) + " baud, " +
                          std::to_string(params.line.dataBits) + " data bits, stop code " +
                          std::to_string(params.line.stopBits) + ", parity code " +
                          std::to_string(params.line.parity) + ", timeout " +
                          std::to_string(params.timeout) + "0 ms");
        ShowPort(c, "after the start");
        char clientName[32];
        std::snprintf(clientName, sizeof clientName, "SulVOR No_%.2d", o.number);
        c.client = QelSimFindClient(clientName);

        if (!o.tags.empty()) {
            commandChannel_ = &c;
            const int refused = RegisterTags(c.driver, o.tags, c.tags, true);
            commandChannel_ = nullptr;
            for (const Tag& t : c.tags) {
                records_.TagRegistered(c.tag, t.text, t.label);
                if (t.gate) c.labels[t.text] = t.label;
            }
            records_.Note("tags", (options_.site.empty() ? "" : c.tag.display + ": ") +
                                      std::to_string(c.tags.size()) + " tag(s) registered from " +
                                      o.tags +
                                      (refused ? ", " + std::to_string(refused) + " refused" : ""));
        }
        for (int i = 0; i < 4; ++i) c.driver.Read(kStatusWords[i].type, 0, c.status[i]);
        records_.StatusNow(c.tag, c.status);
    }
    return started;
}

void Session::PollStatus(Channel& c) {
    if (!c.started) return;
    for (int i = 0; i < 4; ++i) {
        uint16_t now = 0;
        if (c.driver.Read(kStatusWords[i].type, 0, now) && now != c.status[i]) {
            records_.Status(c.tag, kStatusWords[i].letter, c.status[i], now);
            c.status[i] = now;
        }
    }
}

void Session::Act(Channel& c, const TypedCommand& command) {
    commandChannel_ = &c;
    switch (command.verb) {
        case TypedCommand::kPurge:
            records_.Command(&c.tag, "purge: " + ResultText(Command::kPurgeChannel, c.driver.Purge()));
            break;
        case TypedCommand::kClose:
            records_.Command(&c.tag, "close: " + ResultText(Command::kClosePort, c.driver.Close()));
            ShowPort(c, "closed by the close command");
            break;
        case TypedCommand::kReopen:
            records_.Command(&c.tag, "reopen: " + ResultText(Command::kReopenPort, c.driver.Reopen()));
            ShowPort(c, "the re-open failed");
            break;
        case TypedCommand::kChange: {
            zid::PortChangeArgs args{};
            std::memcpy(args.name, command.port.c_str(), command.port.size());
            args.line = command.line;
            records_.Command(&c.tag, "change to " + command.port + ": " +
                                         ResultText(Command::kChangeSulParams, c.driver.Change(args)));
            ShowPort(c, "the change failed");
            break;
        }
        case TypedCommand::kStatus: {
            uint16_t now[4] = {};
            for (int i = 0; i < 4; ++i) c.driver.Read(kStatusWords[i].type, 0, now[i]);
            records_.StatusNow(c.tag, now);
            const bool open = c.driver.PortOpen();
            records_.Port(c.tag, open,
                          open ? PortText(c.driver.Settings()) + " open"
                               : std::string("port ") + c.driver.Settings().name +
                                     " is not open: the channel hears nothing from its panel");
            break;
        }
        default:
            break;
    }
    commandChannel_ = nullptr;
}

void Session::Execute(const TypedCommand& command) {
    switch (command.verb) {
        case TypedCommand::kNone:
            return;
        case TypedCommand::kQuit:
            gStop = true;
            return;
        case TypedCommand::kHelp:
            Timeline("cmd", "%s", TypedCommandSummary());
            return;
        default:
            break;
    }
    if (command.channel >= 0) {
        Channel* c = Find(command.channel);
        if (c == nullptr || !c->started) {
            records_.Command(&channels_.front()->tag,
                             "no running channel " + std::to_string(command.channel));
            return;
        }
        Act(*c, command);
        return;
    }
    std::vector<Channel*> running;
    for (auto& c : channels_)
        if (c->started) running.push_back(c.get());
    if (command.verb == TypedCommand::kStatus || running.size() == 1) {
        for (Channel* c : running) Act(*c, command);
        return;
    }
    std::string numbers;
    for (Channel* c : running) numbers += (numbers.empty() ? "" : ", ") + std::to_string(c->config.number);
    records_.Command(&channels_.front()->tag, "which channel? Name it after the command, e.g. close " +
                                  std::to_string(running.front()->config.number) + " (running: " +
                                  numbers + ")");
}

void Session::WriteFinalState(int& unreadable) {
    std::string block;
    for (auto& c : channels_) {
        if (!c->started) continue;
        std::string state;
        char line[96];
        for (const Tag& t : c->tags) {
            if (!t.gate) continue;
            uint16_t value = 0;
            if (!c->driver.Read(PointType::kGate, t.gateId, value)) {
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
            c->driver.Read(kStatusWords[i].type, 0, value);
            std::snprintf(line, sizeof line, "status %c %u\n", kStatusWords[i].letter, value);
            state += line;
        }
        block += (options_.site.empty() ? "" : c->tag.display + ": ") + "final state after " +
                 std::to_string(c->linesRead.load()) + " panel line(s):\n";
        std::istringstream in(state);
        for (std::string l; std::getline(in, l);) block += "  " + l + "\n";
        if (!options_.stateFile.empty()) {
            const std::string path = options_.site.empty()
                                         ? options_.stateFile
                                         : zidtools::PerChannelPath(options_.stateFile, c->config.number);
            std::ofstream out(path, std::ios::binary);
            out << state;
            if (!out) Error("cannot write the state file %s", path.c_str());
        }
    }
    PrintBlock(block);
}

zidtools::StartFacts Session::StartFactsOf(const Channel& c) const {
    const zid::PortParams p = zidtools::MakePortParams(driver_.Info(), c.config.port, c.config.line);
    char host[100] = "";
    uint16_t version = 0;
    QelGetQelmarVer(0, &version, host);
    zidtools::StartFacts facts = {{"port", c.config.port},
                                  {"settings", LineText(p.line) + ", timeout " +
                                                   std::to_string(p.timeout) + "0 ms"},
                                  {"driver", driver_.Path()}};
    const DriverFacts file = DriverFileFacts(driver_.Path());
    if (!file.version.empty()) facts.push_back({"version", file.version});
    if (!file.sha256.empty()) facts.push_back({"sha256", file.sha256});
    facts.push_back({"host library", std::string(host) + " (version " + std::to_string(version) + ")"});
    if (!c.config.tags.empty()) facts.push_back({"tags", c.config.tags});
    if (!options_.site.empty()) facts.push_back({"site file", options_.site});
    if (!options_.siteName.empty()) facts.push_back({"site", options_.siteName});
    if (!options_.operatorName.empty()) facts.push_back({"operator", options_.operatorName});
    return facts;
}

void Session::FinishReport() {
    if (options_.reportDir.empty()) return;
    std::string verdict;
    if (!zidtools::RebuildReport(options_.reportDir, verdict)) {
        Error("the walk-test report could not be written: %s", verdict.c_str());
        return;
    }
    records_.Note("report", "walk test: " + verdict);
    records_.Note("report", "journal " + zidtools::PathIn(options_.reportDir, "events.csv") +
                                ", report " + zidtools::PathIn(options_.reportDir, "walk-test.md") +
                                " and " + zidtools::PathIn(options_.reportDir, "walk-test.csv"));
}

void Session::Shutdown() {
    // The host shuts each client's queue down; the thread then ends by itself.
    for (auto& c : channels_) {
        if (!c->started) continue;
        if (c->client != 0) {
            QelSimShutdownClient(c->client);
            for (int i = 0; i < 300 && !c->shutDownLogged; ++i) Sleep(10);
        }
        commandChannel_ = c.get();
        const int32_t closed = c->driver.Close();
        commandChannel_ = nullptr;
        if (closed != zid::kDone)
            Error("%s: closing the port failed (%s)", c->tag.display.c_str(),
                  ResultText(Command::kClosePort, closed).c_str());
    }
}

int Session::Run() {
    hostThread_ = GetCurrentThreadId();
    int exitCode = 0;
    if (!CheckInputs(exitCode)) return exitCode;

    QelSimSetLogSink(LogSink, this);
    QelSimSetGateSink(GateSink, this);
    const int started = StartChannels();
    if (started == 0) {
        Shutdown();
        QelSimSetLogSink(nullptr, nullptr);
        QelSimSetGateSink(nullptr, nullptr);
        FinishReport();
        return kExitPort;
    }
    const bool someFailed = started < static_cast<int>(channels_.size());

    std::string ports;
    for (auto& c : channels_)
        if (c->started) ports += (ports.empty() ? "" : ", ") + c->config.port;
    records_.Note("ready", "listening on " + ports + "; stop with quit, Ctrl+C" +
                               (options_.stopFile.empty() ? "" : " or the file " + options_.stopFile) +
                               "; help lists the commands");
    SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
    // Detached: it may stay blocked in a read of the console until the end.
    std::thread(ReadTypedCommands).detach();

    while (!gStop) {
        Sleep(static_cast<DWORD>(options_.pollMs));
        std::vector<std::string> typed;
        {
            std::lock_guard<std::mutex> guard(gTypedLock);
            typed.swap(gTyped);
        }
        for (const std::string& line : typed) {
            TypedCommand command;
            std::string error;
            if (ParseTypedCommand(line, command, error)) {
                Execute(command);
            } else {
                Channel* named = Find(command.channel);
                records_.Command(named ? &named->tag : &channels_.front()->tag,
                                 "\"" + line + "\" refused: " + error);
            }
        }
        for (auto& c : channels_) PollStatus(*c);
        if (options_.seconds > 0 && Elapsed() >= options_.seconds) break;
        if (!options_.stopFile.empty() && FileExists(options_.stopFile)) break;
    }

    int unreadable = 0;
    WriteFinalState(unreadable);
    Shutdown();
    QelSimSetLogSink(nullptr, nullptr);
    QelSimSetGateSink(nullptr, nullptr);
    for (auto& c : channels_)
        if (c->started) records_.Stop(c->tag);
    records_.Note("stop", "done");
    FinishReport();
    if (someFailed) {
        Error("%d of %zu channel(s) did not start", static_cast<int>(channels_.size()) - started,
              channels_.size());
        return kExitPort;
    }
    return unreadable == 0 ? 0 : kExitPort;
}

}  // namespace zidhost
