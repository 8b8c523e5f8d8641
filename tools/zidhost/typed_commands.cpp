#include "tools/zidhost/typed_commands.h"

#include <algorithm>
#include <vector>

#include "address/address.h"
#include "tools/common/line_settings.h"
#include "tools/common/numbers.h"
#include "tools/common/readable.h"
#include "tools/common/text_file.h"
#include "tools/common/utf8_text.h"

namespace zidhost {
namespace {

using zidtools::Failure;
using zidtools::ShownToken;

bool AllDigits(const std::string& word) {
    if (word.empty()) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    return true;
}

struct VerbWord {
    const char* word;
    TypedCommand::Verb verb;
};
constexpr VerbWord kVerbs[] = {
    {"purge", TypedCommand::kPurge},   {"close", TypedCommand::kClose},
    {"reopen", TypedCommand::kReopen}, {"change", TypedCommand::kChange},
    {"status", TypedCommand::kStatus}, {"quit", TypedCommand::kQuit},
    {"exit", TypedCommand::kQuit},     {"help", TypedCommand::kHelp},
    {"remark", TypedCommand::kRemark},
};

// remark [N] ADDRESS TEXT: the text is the rest of the line as typed, its
// blanks inside kept.
zidtools::Outcome<TypedCommand> ParseRemark(const std::string& line, TypedCommand command) {
    const std::vector<std::string> words = zidtools::WordsOf(line);
    size_t next = 1;
    // An address is six characters (or a status word): a shorter number
    // names the channel.
    if (words.size() > 1 && AllDigits(words[1]) && words[1].size() <= 3) {
        const std::optional<long> channel = zidtools::ParseNumber(words[1], 0, 255);
        if (!channel) return Failure{"remark: no channel " + words[1] + " (channels are 0 to 255)"};
        command.channel = static_cast<int32_t>(*channel);
        ++next;
    }
    if (next + 1 >= words.size())
        return Failure{"remark needs an address and a text: remark [N] ADDRESS TEXT, e.g. "
                       "remark 031200 head dirty, replaced"};
    std::string address = words[next];
    for (char& c : address)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (zid::ExplainTagRefusal(address.c_str(), 0) != zid::TagRefusal::kAccepted)
        return Failure{"remark: " + address + " is not a tag address (" +
                       zid::TagRefusalText(zid::ExplainTagRefusal(address.c_str(), 0)) +
                       "); nothing was kept"};
    // The text starts at the word after the address.
    size_t at = 0;
    for (size_t w = 0; w <= next; ++w) {
        at = line.find(words[w], at) + words[w].size();
    }
    command.address = address;
    command.text = zidtools::Trim(line.substr(at));
    return command;
}

// The line settings of "change", in the order they are typed.
constexpr const char* kChangeSettings[] = {"baud", "data-bits", "stop-bits", "parity"};

}  // namespace

const char* TypedCommandSummary() {
    return "purge [N] | close [N] | reopen [N] | change [N] PORT [BAUD [DATA [STOP [PARITY]]]] | "
           "status [N] | remark [N] ADDRESS TEXT | quit";
}

const char* TypedCommandHelp() {
    return "  purge [N]                    code 2: discard the port's pending input\n"
           "  close [N]                    code 11: close the port (the thread keeps running)\n"
           "  reopen [N]                   code 13: open the stored port again\n"
           "  change [N] PORT [BAUD [DATA [STOP [PARITY]]]]\n"
           "                               code 15: another port or line, the values written\n"
           "                               as the options --baud to --parity take them; BAUD 0\n"
           "                               or none keeps the stored line\n"
           "  status [N]                   the five status words (!C: 1 while the port does\n"
           "                               not answer) and the port, now\n"
           "  remark [N] ADDRESS TEXT      a remark on a device for the walk-test record,\n"
           "                               e.g. remark 031200 head dirty, replaced\n"
           "  quit                         stop, as Ctrl+C does\n";
}

zidtools::Outcome<TypedCommand> ParseTypedCommand(const std::string& text) {
    const std::vector<std::string> words = zidtools::WordsOf(text);
    TypedCommand command;
    if (words.empty()) return command;

    const std::string& verb = words[0];
    for (const VerbWord& v : kVerbs)
        if (verb == v.word) command.verb = v.verb;
    if (command.verb == TypedCommand::kNone)
        return Failure{"unknown command " + ShownToken(verb) +
                       ": purge, close, reopen, change, status, remark, quit"};
    if (command.verb == TypedCommand::kRemark) return ParseRemark(text, command);

    size_t next = 1;
    // Port names never are all digits: a number first names the channel.
    if (next < words.size() && AllDigits(words[next]) && command.verb != TypedCommand::kQuit &&
        command.verb != TypedCommand::kHelp) {
        const std::optional<long> channel = zidtools::ParseNumber(words[next], 0, 255);
        if (!channel) return Failure{verb + ": no channel " + ShownToken(words[next]) + " (channels are 0 to 255)"};
        command.channel = static_cast<int32_t>(*channel);
        ++next;
    }

    if (command.verb == TypedCommand::kChange) {
        if (next >= words.size())
            return Failure{"change needs a port name: change PORT [BAUD [DATA [STOP [PARITY]]]]"};
        command.port = zidtools::DevicePortName(words[next++]);
        if (command.port.size() >= static_cast<size_t>(zid::kPortNameSize))
            return Failure{"change: port name " + ShownToken(command.port) + " is too long (at most " +
                           std::to_string(zid::kPortNameSize - 1) + " characters)"};
        zidtools::LineSettings line;
        // The driver's own rule: a baud rate of 0 keeps the stored line.
        const bool keepLine = next < words.size() && words[next] == "0";
        for (size_t k = keepLine ? 1 : 0; k < 4 && next + k < words.size(); ++k) {
            const std::string& value = words[next + k];
            if (keepLine)
                return Failure{"change: BAUD 0 keeps the stored line, so \"" + ShownToken(value) +
                               "\" would not be used; nothing was sent"};
            if (zidtools::Status set = zidtools::ApplyLineSetting(kChangeSettings[k], value, line); !set)
                return Failure{"change: " + std::string(kChangeSettings[k]) + " must be " + set.Error() +
                               ", not \"" + ShownToken(value) + "\"; nothing was sent"};
        }
        next += std::min<size_t>(4, words.size() - next);
        command.line = keepLine ? zid::LineBlock{} : zidtools::LineBlockOf(line, {0, 8, 0, 0});
    }
    if (next < words.size())
        return Failure{verb + ": unexpected \"" + ShownToken(words[next]) + "\" (" + TypedCommandSummary() + ")"};
    return command;
}

}  // namespace zidhost
