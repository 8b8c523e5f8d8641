#include "tools/common/scenario.h"

#include <cstdio>
#include <ctime>

#include "tools/common/event_names.h"
#include "tools/common/local_time.h"
#include "tools/common/numbers.h"
#include "tools/common/text_file.h"
#include "tools/common/utf8_text.h"

namespace zidtools {
namespace {

using zid::PanelEvent;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::optional<int> PanelNumber(const std::string& word) {
    const std::optional<long> n = ParseNumber(word, 0, 99);
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

// "raw 41 42 00": two hex digits per byte, the bytes separated by blanks.
Outcome<PanelCommand> RawCommand(const std::vector<std::string>& words) {
    PanelCommand command;
    command.kind = PanelCommand::kRaw;
    if (words.size() < 2) return Failure{"raw takes bytes, two hex digits each: raw 41 42 43"};
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() != 2 || HexDigit(w[0]) < 0 || HexDigit(w[1]) < 0)
            return Failure{"not a byte: " + ShownToken(w) +
                           " (raw takes two hex digits per byte, separated by blanks)"};
        command.bytes += static_cast<char>(HexDigit(w[0]) * 16 + HexDigit(w[1]));
    }
    if (command.bytes.back() != '\0') command.bytes += '\0';
    return command;
}

Outcome<PanelCommand> EventCommand(PanelEvent event, const std::vector<std::string>& words) {
    PanelCommand command;
    command.fields.event = event;
    command.fields.endMarker = event == PanelEvent::FaultLineEnd;
    const size_t given = words.size() - 1;
    const std::string& verb = words[0];
    switch (NamesOf(event).arguments) {
        case EventArguments::kNone:
            if (given != 0) return Failure{verb + " takes no arguments"};
            break;
        case EventArguments::kZone: {
            const std::optional<int> zone = given == 1 ? PanelNumber(words[1]) : std::nullopt;
            if (!zone) return Failure{verb + " takes one zone number 0..99"};
            command.fields.zone = *zone;
            break;
        }
        case EventArguments::kLineAndDetector: {
            const std::optional<int> line = given >= 1 ? PanelNumber(words[1]) : std::nullopt;
            const std::optional<int> detector =
                given == 2 ? PanelNumber(words[2]) : std::optional<int>(0);
            if (given < 1 || given > 2 || !line || !detector)
                return Failure{verb + " takes a line number and an optional detector number, 0..99"};
            command.fields.line = *line;
            command.fields.detector = *detector;
            break;
        }
    }
    return command;
}

}  // namespace

const char* CommandHelp() {
    return "  fire-line LINE [DETECTOR]      fire on a line (detector 0 or omitted: the line)\n"
           "  fire-zone ZONE                 fire in a zone\n"
           "  fault-line LINE [DETECTOR]     fault on a line\n"
           "  fault-line-end LINE [DETECTOR] end of that fault\n"
           "  fault-zone ZONE                fault in a zone\n"
           "  fault-zone-end ZONE            end of that fault\n"
           "  power-fault | power-fault-end  power fault and its end\n"
           "  silence                        sounder silenced\n"
           "  test-start | test-end          panel test and its end\n"
           "  reset                          panel reset\n"
           "  raw HEX...                     these bytes as they are, two hex digits each,\n"
           "                                 separated by blanks (a NUL is added unless the\n"
           "                                 last byte is 00), e.g. raw 41 42 43\n"
           "  wait MS                        pause (scenario files)\n"
           "  help | quit\n"
           "  Numbers are 0..99; a '#' at the start or after a blank starts a comment.\n";
}

Outcome<std::optional<PanelCommand>> ParseCommand(const std::string& text) {
    const std::vector<std::string> words = WordsOf(WithoutComment(text));
    if (words.empty()) return std::optional<PanelCommand>();
    const std::string& verb = words[0];
    PanelCommand command;
    if (verb == "help" || verb == "?") {
        command.kind = PanelCommand::kHelp;
    } else if (verb == "quit" || verb == "exit") {
        command.kind = PanelCommand::kQuit;
    } else if (verb == "wait") {
        const std::optional<long> ms = words.size() == 2 ? ParseNumber(words[1], 0, 999999) : std::nullopt;
        if (!ms) return Failure{"wait takes one number of milliseconds (up to 999999)"};
        command.kind = PanelCommand::kWait;
        command.milliseconds = static_cast<int>(*ms);
    } else if (verb == "raw") {
        Outcome<PanelCommand> raw = RawCommand(words);
        if (!raw) return Failure{raw.Error()};
        command = *raw;
    } else if (const std::optional<PanelEvent> event = EventOfCommand(verb)) {
        Outcome<PanelCommand> parsed = EventCommand(*event, words);
        if (!parsed) return Failure{parsed.Error()};
        command = *parsed;
    } else {
        return Failure{"unknown command \"" + ShownToken(verb) + "\" (try help)"};
    }
    return std::optional<PanelCommand>(command);
}

Outcome<std::vector<PanelCommand>> ReadScenario(const std::string& path) {
    const Outcome<std::vector<TextLine>> lines = ReadTextFile(path, "the scenario");
    if (!lines) return Failure{lines.Error()};
    std::vector<PanelCommand> script;
    std::string errors;
    for (const TextLine& line : *lines) {
        const Outcome<std::optional<PanelCommand>> command = ParseCommand(line.text);
        if (!command)
            errors += (errors.empty() ? "" : "\n") + path + ":" + std::to_string(line.number) +
                      ": " + command.Error();
        else if (*command)
            script.push_back(**command);
    }
    if (!errors.empty()) return Failure{errors};
    return script;
}

std::string EventBytes(const zid::PanelLineFields& input) {
    zid::PanelLineFields fields = input;
    const std::tm local = LocalCalendar(std::time(nullptr));
    fields.hour = local.tm_hour;
    fields.minute = local.tm_min;
    fields.second = local.tm_sec;
    char line[zid::kMessageBufferSize + 8];
    const size_t length = zid::ComposePanelLine(fields, line, sizeof line);
    if (length == 0) return {};
    return std::string(line, length + 1);  // with its NUL
}

std::string GateOf(const zid::PanelLineFields& f) {
    switch (NamesOf(f.event).arguments) {
        case EventArguments::kLineAndDetector:
            return TwoDigits(f.line) + TwoDigits(f.detector) + "00";
        case EventArguments::kZone:
            return "0000" + TwoDigits(f.zone);
        case EventArguments::kNone:
            break;
    }
    return {};
}

std::string EventName(const zid::PanelLineFields& f) {
    std::string name = NamesOf(f.event).words;
    switch (NamesOf(f.event).arguments) {
        case EventArguments::kLineAndDetector:
            name += ", line " + TwoDigits(f.line);
            if (f.detector != 0) name += " detector " + TwoDigits(f.detector);
            break;
        case EventArguments::kZone:
            name += ", zone " + TwoDigits(f.zone);
            break;
        case EventArguments::kNone:
            break;
    }
    return name;
}

}  // namespace zidtools
