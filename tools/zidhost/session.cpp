#include "tools/zidhost/session.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "address/address.h"
#include "standin/qelmar_sim.h"
#include "tools/common/readable.h"
#include "tools/common/result_text.h"
#include "tools/common/tag_file.h"
#include "tools/zidhost/output.h"

namespace zidhost {
namespace {

using zid::PointType;
using zidtools::ResultText;

std::atomic<bool> gStop{false};
std::atomic<int> gPanelLines{0};
std::atomic<bool> gShutDownLogged{false};

// The status words in the order they are shown, with their point types.
struct StatusWordName {
    const char* name;
    PointType type;
};
constexpr StatusWordName kStatusWords[4] = {
    {"T", PointType::kStatusT}, {"F", PointType::kStatusF}, {"R", PointType::kStatusR},
    {"S", PointType::kStatusS}};

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

void GateSink(uint8_t channel, const char* address, uint16_t before, uint16_t after, void*) {
    if (before == after) return;
    Timeline("gate", "%s  0x%04X -> 0x%04X  %s  (channel %u)", address, before, after,
             BitChanges(before, after).c_str(), channel);
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

int RegisterTags(zidtools::DriverChannel& channel, const std::string& path,
                 std::vector<Tag>& accepted, bool defineGates) {
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
            tag.gateId = QelSimDefineGate(static_cast<uint8_t>(channel.Number()), upper.c_str());
        }
        if (channel.Validate(tag.text, tag.pointType) != zid::kDone) {
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

struct Session::Channel {
    ChannelOptions options;
    zidtools::DriverChannel driver;
    std::vector<Tag> tags;
    uint8_t client = 0;
    uint16_t status[4] = {};
    bool started = false;

    Channel(const ChannelOptions& o, const zidtools::DriverLibrary& library)
        : options(o), driver(library, o.number) {}
};

Session::Session(const Options& options, const zidtools::DriverLibrary& driver)
    : options_(options), driver_(driver) {
    for (const ChannelOptions& c : options.channels)
        channels_.push_back(std::make_unique<Channel>(c, driver));
}

Session::~Session() = default;

bool Session::StartChannels(int& exitCode) {
    const zid::DriverInfo& info = driver_.Info();
    for (auto& c : channels_) {
        const ChannelOptions& o = c->options;
        const zid::PortParams params = zidtools::MakePortParams(info, o.port, o.line);
        const int32_t started = c->driver.Start(params);
        if (started != zid::kDone) {
            Error("channel %d did not start on %s: %s", o.number, o.port.c_str(),
                  ResultText(zid::Command::kStartChannel, started).c_str());
            exitCode = kExitPort;
            return false;
        }
        c->started = true;
        Timeline("start",
                 "channel %d on %s, %u baud, %u data bits, stop code %u, parity code %u, "
                 "timeout %d0 ms",
                 o.number, o.port.c_str(), params.line.baud, params.line.dataBits,
                 params.line.stopBits, params.line.parity, params.timeout);
        char clientName[32];
        std::snprintf(clientName, sizeof clientName, "SulVOR No_%.2d", o.number);
        c->client = QelSimFindClient(clientName);

        if (!o.tags.empty()) {
            const int refused = RegisterTags(c->driver, o.tags, c->tags, true);
            if (refused != 0) {
                if (refused > 0)
                    Error("%d tag(s) refused; fix the tag file and start again", refused);
                exitCode = refused < 0 ? kExitUsage : kExitTags;
                return false;
            }
            Timeline("tags", "%zu tag(s) registered from %s", c->tags.size(), o.tags.c_str());
        }
    }
    return true;
}

void Session::PollStatus(Channel& c) {
    for (int i = 0; i < 4; ++i) {
        uint16_t now = 0;
        if (c.driver.Read(kStatusWords[i].type, 0, now) && now != c.status[i]) {
            Timeline("status", "%s %u -> %u", kStatusWords[i].name, c.status[i], now);
            c.status[i] = now;
        }
    }
}

void Session::Execute(const TypedCommand& command) {
    Channel& c = *channels_.front();
    using zid::Command;
    switch (command.verb) {
        case TypedCommand::kNone:
            return;
        case TypedCommand::kPurge:
            Timeline("cmd", "purge: %s", ResultText(Command::kPurgeChannel, c.driver.Purge()).c_str());
            return;
        case TypedCommand::kClose:
            Timeline("cmd", "close: %s", ResultText(Command::kClosePort, c.driver.Close()).c_str());
            return;
        case TypedCommand::kReopen:
            Timeline("cmd", "reopen: %s", ResultText(Command::kReopenPort, c.driver.Reopen()).c_str());
            return;
        case TypedCommand::kChange: {
            zid::PortChangeArgs args{};
            std::memcpy(args.name, command.port.c_str(), command.port.size());
            args.line = command.line;
            Timeline("cmd", "change to %s: %s", command.port.c_str(),
                     ResultText(Command::kChangeSulParams, c.driver.Change(args)).c_str());
            return;
        }
        case TypedCommand::kStatus: {
            uint16_t now[4] = {};
            for (int i = 0; i < 4; ++i) c.driver.Read(kStatusWords[i].type, 0, now[i]);
            Timeline("status", "T=%u F=%u R=%u S=%u", now[0], now[1], now[2], now[3]);
            return;
        }
        case TypedCommand::kQuit:
            gStop = true;
            return;
        case TypedCommand::kHelp:
            Timeline("cmd", "%s", TypedCommandSummary());
            return;
    }
}

std::string Session::FinalState(int& unreadable) {
    std::string state;
    char line[96];
    for (auto& c : channels_) {
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
            std::snprintf(line, sizeof line, "status %s %u\n", kStatusWords[i].name, value);
            state += line;
        }
    }
    return state;
}

void Session::Shutdown() {
    // The host shuts each client's queue down; the thread then ends by itself.
    for (auto& c : channels_) {
        if (!c->started) continue;
        if (c->client != 0) {
            QelSimShutdownClient(c->client);
            for (int i = 0; i < 300 && !gShutDownLogged; ++i) Sleep(10);
        }
        const int32_t closed = c->driver.Close();
        if (closed != zid::kDone)
            Error("closing the port failed (%s)", ResultText(zid::Command::kClosePort, closed).c_str());
    }
}

int Session::Run() {
    QelSimSetLogSink(LogSink, nullptr);
    QelSimSetGateSink(GateSink, nullptr);

    int exitCode = 0;
    if (!StartChannels(exitCode)) {
        Shutdown();
        return exitCode;
    }

    for (auto& c : channels_) {
        for (int i = 0; i < 4; ++i) c->driver.Read(kStatusWords[i].type, 0, c->status[i]);
        Timeline("status", "T=%u F=%u R=%u S=%u", c->status[0], c->status[1], c->status[2],
                 c->status[3]);
    }
    const ChannelOptions& first = channels_.front()->options;
    Timeline("ready", "listening on %s; stop with quit, Ctrl+C%s; help lists the commands",
             first.port.c_str(),
             options_.stopFile.empty() ? "" : (" or the file " + options_.stopFile).c_str());
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
            if (ParseTypedCommand(line, command, error))
                Execute(command);
            else
                Timeline("cmd", "%s", error.c_str());
        }
        for (auto& c : channels_) PollStatus(*c);
        if (options_.seconds > 0 && Elapsed() >= options_.seconds) break;
        if (!options_.stopFile.empty() && FileExists(options_.stopFile)) break;
    }

    int unreadable = 0;
    const std::string state = FinalState(unreadable);
    std::string block = "final state after " + std::to_string(gPanelLines.load()) + " panel line(s):\n";
    std::istringstream in(state);
    for (std::string l; std::getline(in, l);) block += "  " + l + "\n";
    PrintBlock(block);
    if (!options_.stateFile.empty()) {
        std::ofstream out(options_.stateFile, std::ios::binary);
        out << state;
        if (!out) Error("cannot write the state file %s", options_.stateFile.c_str());
    }
    Shutdown();
    Timeline("stop", "done");
    return unreadable == 0 ? 0 : kExitPort;
}

}  // namespace zidhost
