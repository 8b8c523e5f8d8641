#include "tools/zidhost/console.h"

#include <sstream>
#include <vector>

#include "tools/common/numbers.h"
#include "tools/common/readable.h"

namespace zidhost {
namespace {

bool AllDigits(const std::string& word) {
    if (word.empty()) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    return true;
}

// The line values of "change": what each may be, in order.
struct LineValue {
    const char* name;
    long low, high;
};
constexpr LineValue kLineValues[] = {
    {"baud", 0, 65535}, {"data bits", 4, 8}, {"stop code", 0, 2}, {"parity code", 0, 4}};

}  // namespace

const char* TypedCommandSummary() {
    return "purge [N] | close [N] | reopen [N] | change [N] PORT [BAUD [DATA [STOP [PARITY]]]] | "
           "status [N] | quit";
}

bool ParseTypedCommand(const std::string& text, TypedCommand& command, std::string& error) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    command = TypedCommand{};
    if (words.empty()) return true;

    const std::string& verb = words[0];
    size_t next = 1;
    if (verb == "purge") command.verb = TypedCommand::kPurge;
    else if (verb == "close") command.verb = TypedCommand::kClose;
    else if (verb == "reopen") command.verb = TypedCommand::kReopen;
    else if (verb == "change") command.verb = TypedCommand::kChange;
    else if (verb == "status") command.verb = TypedCommand::kStatus;
    else if (verb == "quit" || verb == "exit") command.verb = TypedCommand::kQuit;
    else if (verb == "help") command.verb = TypedCommand::kHelp;
    else {
        error = "unknown command " + verb + ": purge, close, reopen, change, status, quit";
        return false;
    }

    // Port names never are all digits: a number first names the channel.
    if (next < words.size() && AllDigits(words[next]) && command.verb != TypedCommand::kQuit &&
        command.verb != TypedCommand::kHelp) {
        long channel = 0;
        if (!zidtools::ParseNumber(words[next].c_str(), 0, 255, channel)) {
            error = verb + ": no channel " + words[next] + " (channels are 0 to 255)";
            return false;
        }
        command.channel = static_cast<int32_t>(channel);
        ++next;
    }

    if (command.verb == TypedCommand::kChange) {
        if (next >= words.size()) {
            error = "change needs a port name: change PORT [BAUD [DATA [STOP [PARITY]]]]";
            return false;
        }
        command.port = zidtools::DevicePortName(words[next++]);
        if (command.port.size() >= static_cast<size_t>(zid::kPortNameSize)) {
            error = "change: port name " + command.port + " is too long (at most " +
                    std::to_string(zid::kPortNameSize - 1) + " characters)";
            return false;
        }
        long values[4] = {0, 8, 0, 0};
        for (size_t k = 0; k < 4 && next < words.size(); ++k, ++next) {
            const LineValue& v = kLineValues[k];
            if (!zidtools::ParseNumber(words[next].c_str(), v.low, v.high, values[k])) {
                error = "change: " + std::string(v.name) + " must be a number from " +
                        std::to_string(v.low) + " to " + std::to_string(v.high) + ", not \"" +
                        words[next] + "\"; nothing was sent";
                return false;
            }
        }
        command.line = {static_cast<uint16_t>(values[0]), static_cast<uint16_t>(values[1]),
                        static_cast<uint16_t>(values[2]), static_cast<uint16_t>(values[3])};
    }
    if (next < words.size()) {
        error = verb + ": unexpected \"" + words[next] + "\" (" + TypedCommandSummary() + ")";
        return false;
    }
    return true;
}

}  // namespace zidhost
