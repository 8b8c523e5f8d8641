// A zidhost run: the driver loaded as the host loads it, its channels
// started and their tags registered, the panel's lines and the gates and
// status words they change recorded as they happen, typed commands carried
// out, and the final state reported when the run ends.
//
// The class is spread over files by job: session.cpp starts and stops the
// run, session_events.cpp hears the driver (its log, the gates, the status
// words), session_link.cpp watches whether each channel's port answers and
// brings it back, session_commands.cpp carries out what the engineer types,
// and session_end.cpp writes the final state and the report.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/common/driver_host.h"
#include "tools/common/start_facts.h"
#include "tools/zidhost/options.h"
#include "tools/zidhost/records.h"
#include "tools/zidhost/typed_commands.h"

namespace zidhost {

class Session {
public:
    Session(const Options& options, const zidtools::DriverLibrary& driver);
    ~Session();
    // Runs until quit, Ctrl+C, --seconds or the stop file; the exit code.
    int Run();

    struct Channel;
    // Called by the host library's sinks, on the thread that logged.
    void OnLog(const char* line);
    void OnGate(uint8_t channel, const char* address, uint16_t before, uint16_t after);

private:
    // The exit code when something must stop the run before it starts.
    int CheckInputs();
    zidtools::StartFacts StartFactsOf(const Channel& c) const;
    int StartChannels();
    void TakeTypedCommands();
    void Execute(const TypedCommand& command);
    void Act(Channel& c, const TypedCommand& command);
    void ShowPort(Channel& c, const char* after);
    void PollStatus(Channel& c);
    // !C changed: the channel's port stopped answering, or answers again.
    void PortAnswerChanged(Channel& c, uint16_t before, uint16_t after);
    // --reopen-every: a try to bring the port back, when one is due.
    void TryReopen(Channel& c);
    // The port's answer and the tries, for the status command.
    std::string PortAnswerText(const Channel& c) const;
    // How many gates could not be read back.
    int WriteFinalState();
    // Writes the walk-test report; true when rows of a damaged journal were left out.
    bool FinishReport();
    // walk-test.html while the run lasts: at most once a second, when a row
    // came since the last time.
    void WriteLiveRecord();
    void Shutdown();
    Channel* Find(int32_t number);
    Channel* Attribute();

    const Options& options_;
    const zidtools::DriverLibrary& driver_;
    Records records_;
    std::vector<std::unique_ptr<Channel>> channels_;
    Channel* commandChannel_ = nullptr;           // whose command runs on the host thread
    std::atomic<Channel*> lastStarted_{nullptr};  // read by receiver threads
    unsigned long hostThread_ = 0;
    std::string session_;  // the run's start: the journal's mark of this session
    std::chrono::steady_clock::time_point lastLiveRecord_{};
};

}  // namespace zidhost
