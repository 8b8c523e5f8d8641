#include "tools/zidhost/session.h"

#include <windows.h>

#include "standin/qelmar_sim.h"
#include "tools/common/file_facts.h"
#include "tools/common/files.h"
#include "tools/common/line_settings.h"
#include "tools/common/local_time.h"
#include "tools/common/result_text.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/exit_codes.h"
#include "tools/zidhost/session_channel.h"

namespace zidhost {
namespace {

using zid::Command;
using zidtools::ResultText;

void LogSink(const char* line, void* user) { static_cast<Session*>(user)->OnLog(line); }

void GateSink(uint8_t channel, const char* address, uint16_t before, uint16_t after, void* user) {
    static_cast<Session*>(user)->OnGate(channel, address, before, after);
}

BOOL WINAPI OnConsoleCtrl(DWORD) {
    RequestStop();
    return TRUE;
}

}  // namespace

std::string PortText(const zid::PortSettings& s) {
    return std::string(s.name) + " " + zidtools::LineText(s.line);
}

Session::Session(const Options& options, const zidtools::DriverLibrary& driver)
    : options_(options), driver_(driver), records_(!options.site.empty()) {
    for (const zidtools::ChannelConfig& c : options.channels)
        channels_.push_back(std::make_unique<Channel>(c, driver, options.reopenEvery));
}

Session::~Session() = default;

Session::Channel* Session::Find(int32_t number) {
    for (auto& c : channels_)
        if (c->config.number == number) return c.get();
    return nullptr;
}

int Session::CheckInputs() {
    for (auto& c : channels_) {
        if (options_.capture.empty()) break;
        const std::string path = options_.site.empty()
                                     ? options_.capture
                                     : zidtools::PerChannelPath(options_.capture, c->config.number);
        const zid::PortParams p =
            zidtools::MakePortParams(driver_.Info(), c->config.port, c->config.line);
        const std::string port = std::string(p.name) + " " + zidtools::LineText(p.line);
        if (zidtools::Status opened = records_.OpenCapture(c->tag, path, c->config.port, port);
            !opened) {
            Error("%s", opened.Error().c_str());
            return kExitUsage;
        }
    }
    for (auto& c : channels_) {
        if (c->config.tags.empty()) continue;
        if (!options_.site.empty() && !zidtools::FileExists(c->config.tags)) {
            Error("%s:%d: [channel %d] cannot read the tag file %s (nothing was opened)",
                  options_.site.c_str(), c->config.tagsLine, c->config.number,
                  c->config.tags.c_str());
            return kExitUsage;
        }
        zidtools::Outcome<CheckedTags> checked = ReadTagFile(c->config.tags);
        if (!checked) {
            Error("%s", checked.Error().c_str());
            return kExitUsage;
        }
        if (checked->refused > 0) {
            Error("%d tag(s) refused in %s; fix the tag file and start again (nothing was opened)",
                  checked->refused, c->config.tags.c_str());
            return kExitTags;
        }
        c->tags = std::move(checked->accepted);
    }
    // The journal last: a run its own inputs stopped leaves no journal that
    // a new try would have to --continue.
    if (!options_.reportDir.empty()) {
        if (zidtools::Status opened = records_.OpenJournal(options_.reportDir); !opened) {
            Error("%s", opened.Error().c_str());
            return kExitUsage;
        }
    }
    return kExitDone;
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
        c.client = QelSimFindClient(zidtools::ClientNameOf(o.number).c_str());

        if (!o.tags.empty()) {
            commandChannel_ = &c;
            const int refused = RegisterTags(c.driver, o.tags, c.tags, true);
            commandChannel_ = nullptr;
            for (const Tag& t : c.tags) {
                records_.TagRegistered(c.tag, t.text, t.label, t.type);
                if (t.gate) c.labels[t.text] = t.label;
            }
            records_.Note("tags", (options_.site.empty() ? "" : c.tag.display + ": ") +
                                      std::to_string(c.tags.size()) + " tag(s) registered from " +
                                      o.tags +
                                      (refused ? ", " + std::to_string(refused) + " refused" : ""));
        }
        for (int i = 0; i < kPortWord; ++i)
            c.status[i] = c.driver.Read(kStatusWords[i].type, 0).value_or(0);
        // !C starts at 0, as the zero-filled context holds it: a port that
        // does not answer by now is a change, as any later one is.
        PollStatus(c);
        records_.StatusNow(c.tag, c.status);
    }
    return started;
}

zidtools::StartFacts Session::StartFactsOf(const Channel& c) const {
    const zid::PortParams p = zidtools::MakePortParams(driver_.Info(), c.config.port, c.config.line);
    char host[100] = "";
    uint16_t version = 0;
    QelGetQelmarVer(0, &version, host);
    zidtools::StartFacts facts = {
        {"port", c.config.port},
        {"settings", zidtools::LineText(p.line) + ", timeout " + std::to_string(p.timeout) + "0 ms"},
        {"driver", driver_.Path()}};
    const std::string fileVersion = zidtools::FileVersionText(driver_.Path());
    if (!fileVersion.empty()) facts.push_back({"version", fileVersion});
    if (const zidtools::Outcome<std::string> sha = zidtools::Sha256OfFile(driver_.Path()))
        facts.push_back({"sha256", *sha});
    facts.push_back({"host library", std::string(host) + " (version " + std::to_string(version) + ")"});
    if (!c.config.tags.empty()) facts.push_back({"tags", c.config.tags});
    if (!options_.site.empty()) facts.push_back({"site file", options_.site});
    if (!options_.siteName.empty()) facts.push_back({"site", options_.siteName});
    if (!options_.operatorName.empty()) facts.push_back({"operator", options_.operatorName});
    // Every channel of this run shares its session: a --continue run starts
    // the next one (walk_record.h).
    facts.push_back({"session", session_});
    zidtools::AddRecordFacts(facts, options_.record);
    return facts;
}

void Session::Shutdown() {
    // The host shuts every client's queue down at once; each receiver thread
    // then settles for a second and ends by itself, all of them together, so
    // a site stops in about the time one channel takes.
    for (auto& c : channels_)
        if (c->started && c->client != 0) QelSimShutdownClient(c->client);
    auto ended = [this] {
        for (auto& c : channels_)
            if (c->started && c->client != 0 && !c->shutDownLogged) return false;
        return true;
    };
    for (int i = 0; i < 300 && !ended(); ++i) Sleep(10);
    // Ports are closed once no thread reads them.
    for (auto& c : channels_) {
        if (!c->started) continue;
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
    session_ = zidtools::FormatLocalTime(std::chrono::system_clock::now());
    if (const int exitCode = CheckInputs(); exitCode != kExitDone) return exitCode;

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
    StartReadingTypedCommands();

    while (!StopRequested()) {
        Sleep(static_cast<DWORD>(options_.pollMs));
        TakeTypedCommands();
        for (auto& c : channels_) {
            PollStatus(*c);
            TryReopen(*c);
        }
        WriteLiveRecord();
        if (options_.seconds > 0 && Elapsed() >= options_.seconds) break;
        if (!options_.stopFile.empty() && zidtools::FileExists(options_.stopFile)) break;
    }

    const int unreadable = WriteFinalState();
    Shutdown();
    QelSimSetLogSink(nullptr, nullptr);
    QelSimSetGateSink(nullptr, nullptr);
    for (auto& c : channels_)
        if (c->started) records_.Stop(c->tag);
    records_.Note("stop", "done");
    const bool journalDamaged = FinishReport();
    if (someFailed) {
        Error("%d of %zu channel(s) did not start", static_cast<int>(channels_.size()) - started,
              channels_.size());
        return kExitPort;
    }
    if (unreadable != 0) return kExitPort;
    return journalDamaged ? kExitJournal : kExitDone;
}

}  // namespace zidhost
