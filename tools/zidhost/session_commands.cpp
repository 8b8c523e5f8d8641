// What the engineer types while the run lasts, carried out on the host
// thread, which alone calls the driver.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "tools/common/console_text.h"
#include "tools/common/result_text.h"
#include "tools/common/utf8_text.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/session.h"
#include "tools/zidhost/session_channel.h"

namespace zidhost {
namespace {

using zid::Command;
using zidtools::ResultText;

std::atomic<bool> gStop{false};

// Lines typed at the console, handed from the reading thread to the host
// thread.
std::mutex gTypedLock;
std::vector<std::string> gTyped;

void ReadTypedCommands() {
    for (std::string line; zidtools::ReadTextLine(line);) {
        std::lock_guard<std::mutex> guard(gTypedLock);
        gTyped.push_back(line);
    }
}

}  // namespace

void RequestStop() { gStop = true; }
bool StopRequested() { return gStop; }

void StartReadingTypedCommands() {
    // Detached: it may stay blocked in a read of the console until the end.
    std::thread(ReadTypedCommands).detach();
}

void Session::TakeTypedCommands() {
    std::vector<std::string> typed;
    {
        std::lock_guard<std::mutex> guard(gTypedLock);
        typed.swap(gTyped);
    }
    for (const std::string& line : typed) {
        const zidtools::Outcome<TypedCommand> command = ParseTypedCommand(line);
        if (command) {
            Execute(*command);
        } else {
            records_.Command(&channels_.front()->tag,
                             "\"" + zidtools::ShownToken(line) + "\" not sent: " + command.Error());
        }
    }
}

void Session::ShowPort(Channel& c, const char* after) {
    if (c.driver.PortOpen()) {
        records_.Port(c.tag, true, PortText(c.driver.Settings()) + " open");
    } else {
        records_.Port(c.tag, false,
                      std::string("has no open port (") + after + "): it hears nothing from its panel");
    }
}

void Session::Act(Channel& c, const TypedCommand& command) {
    commandChannel_ = &c;
    switch (command.verb) {
        case TypedCommand::kPurge:
            records_.Command(&c.tag, "purge: " + ResultText(Command::kPurgeChannel, c.driver.Purge()));
            break;
        // A port the engineer closed stays closed: --reopen-every does not
        // try while the close is in force. Asking for a port again (reopen,
        // change) lifts it, and the tries go on if that port does not answer.
        case TypedCommand::kClose:
            c.reopen.Hold(true, SteadyMs());
            records_.Command(&c.tag,
                             "close: " + ResultText(Command::kClosePort, c.driver.Close()) +
                                 (c.reopen.Every() ? "; no re-open tries until reopen or change" : ""));
            ShowPort(c, "closed by the close command");
            break;
        case TypedCommand::kReopen:
            c.reopen.Hold(false, SteadyMs());
            records_.Command(&c.tag, "reopen: " + ResultText(Command::kReopenPort, c.driver.Reopen()));
            ShowPort(c, "the re-open failed");
            break;
        case TypedCommand::kChange: {
            c.reopen.Hold(false, SteadyMs());
            zid::PortChangeArgs args{};
            std::memcpy(args.name, command.port.c_str(), command.port.size());
            args.line = command.line;
            records_.Command(&c.tag, "change to " + command.port + ": " +
                                         ResultText(Command::kChangeSulParams, c.driver.Change(args)));
            ShowPort(c, "the change failed");
            break;
        }
        case TypedCommand::kStatus: {
            // What changed since the last poll is recorded first, as it came.
            PollStatus(c);
            records_.StatusNow(c.tag, c.status);
            const bool open = c.driver.PortOpen();
            const std::string answer =
                c.status[kPortWord] != 0 ? "; " + PortAnswerText(c) : std::string();
            records_.Port(c.tag, open,
                          open ? PortText(c.driver.Settings()) + " open" + answer
                               : std::string("port ") + c.driver.Settings().name +
                                     " is not open: the channel hears nothing from its panel" +
                                     answer);
            break;
        }
        case TypedCommand::kRemark: {
            // Registered or not, the remark is kept: an address the panel
            // reported that the host lacks deserves one too.
            const auto label = c.labels.find(command.address);
            bool known = label != c.labels.end();
            for (const Tag& t : c.tags) known = known || t.text == command.address;
            records_.Remark(c.tag, command.address, label == c.labels.end() ? "" : label->second,
                            command.text,
                            known ? "" : "  (not a registered tag of " + c.tag.display + "; kept)");
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
            RequestStop();
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
    if (command.verb == TypedCommand::kRemark && running.size() > 1) {
        // The channel whose tags hold the address, when only one does.
        std::vector<Channel*> holding;
        for (Channel* c : running)
            if (c->labels.count(command.address)) holding.push_back(c);
        if (holding.size() == 1) running = holding;
    }
    if (command.verb == TypedCommand::kStatus || running.size() == 1) {
        for (Channel* c : running) Act(*c, command);
        return;
    }
    std::string numbers;
    for (Channel* c : running)
        numbers += (numbers.empty() ? "" : ", ") + std::to_string(c->config.number);
    records_.Command(&channels_.front()->tag,
                     "which channel? Name it after the command, e.g. " +
                         std::string(command.verb == TypedCommand::kRemark ? "remark " : "close ") +
                         std::to_string(running.front()->config.number) +
                         (command.verb == TypedCommand::kRemark ? " " + command.address + " ..." : "") +
                         " (running: " + numbers + ")");
}

}  // namespace zidhost
