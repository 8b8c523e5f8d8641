#include "tools/common/scenario.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

namespace zidtools {
namespace {

using zid::PanelEvent;

enum class Args { None, LineDetector, Zone };

struct CommandWord {
    const char* word;
    PanelEvent event;
    Args args;
    bool endMarker;
};

constexpr CommandWord kWords[] = {
    {"fire-line", PanelEvent::FireLine, Args::LineDetector, false},
    {"fire-zone", PanelEvent::FireZone, Args::Zone, false},
    {"fault-line", PanelEvent::FaultLine, Args::LineDetector, false},
    {"fault-line-end", PanelEvent::FaultLineEnd, Args::LineDetector, true},
    {"fault-zone", PanelEvent::FaultZone, Args::Zone, false},
    {"fault-zone-end", PanelEvent::FaultZoneEnd, Args::Zone, false},
    {"power-fault", PanelEvent::PowerFault, Args::None, false},
    {"power-fault-end", PanelEvent::PowerFaultEnd, Args::None, false},
    {"silence", PanelEvent::SounderSilenced, Args::None, false},
    {"test-start", PanelEvent::TestStart, Args::None, false},
    {"test-end", PanelEvent::TestEnd, Args::None, false},
    {"reset", PanelEvent::Reset, Args::None, false},
};

bool Number(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 3) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

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
           "  raw HEX...                     these bytes as they are (a NUL is added\n"
           "                                 unless the last byte is 00), e.g. raw 41 42 43\n"
           "  wait MS                        pause (scenario files)\n"
           "  help | quit\n"
           "  Numbers are 0..99; a '#' starts a comment.\n";
}

bool ParseCommand(const std::string& input, std::vector<PanelCommand>& commands,
                  std::string& error) {
    std::string text = input;
    const size_t hash = text.find('#');
    if (hash != std::string::npos) text.resize(hash);
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) return true;

    const std::string& verb = words[0];
    PanelCommand command;
    if (verb == "help" || verb == "?") {
        command.kind = PanelCommand::kHelp;
    } else if (verb == "quit" || verb == "exit") {
        command.kind = PanelCommand::kQuit;
    } else if (verb == "wait") {
        command.kind = PanelCommand::kWait;
        bool ok = words.size() == 2 && !words[1].empty() && words[1].size() <= 6;
        if (ok)
            for (char c : words[1]) ok = ok && c >= '0' && c <= '9';
        if (!ok) {
            error = "wait takes one number of milliseconds (up to 999999)";
            return false;
        }
        command.milliseconds = std::atoi(words[1].c_str());
    } else if (verb == "raw") {
        command.kind = PanelCommand::kRaw;
        std::string hex;
        for (size_t i = 1; i < words.size(); ++i) hex += words[i];
        if (hex.empty() || hex.size() % 2 != 0) {
            error = "raw takes hex bytes, two digits each";
            return false;
        }
        for (size_t i = 0; i < hex.size(); i += 2) {
            const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
            if (hi < 0 || lo < 0) {
                error = "not a hex byte: " + hex.substr(i, 2);
                return false;
            }
            command.bytes += static_cast<char>(hi * 16 + lo);
        }
        if (command.bytes.back() != '\0') command.bytes += '\0';
    } else {
        const CommandWord* found = nullptr;
        for (const CommandWord& w : kWords)
            if (verb == w.word) found = &w;
        if (!found) {
            error = "unknown command \"" + verb + "\" (try help)";
            return false;
        }
        command.fields.event = found->event;
        command.fields.endMarker = found->endMarker;
        const size_t given = words.size() - 1;
        bool ok = true;
        switch (found->args) {
            case Args::None:
                ok = given == 0;
                break;
            case Args::Zone:
                ok = given == 1 && Number(words[1], 0, 99, command.fields.zone);
                break;
            case Args::LineDetector:
                ok = (given == 1 || given == 2) && Number(words[1], 0, 99, command.fields.line) &&
                     (given == 1 || Number(words[2], 0, 99, command.fields.detector));
                break;
        }
        if (!ok) {
            error = std::string(verb) +
                    (found->args == Args::Zone          ? " takes one zone number 0..99"
                     : found->args == Args::LineDetector ? " takes a line number and an optional detector number, 0..99"
                                                          : " takes no arguments");
            return false;
        }
    }
    commands.push_back(command);
    return true;
}

std::string EventBytes(const zid::PanelLineFields& input) {
    zid::PanelLineFields fields = input;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    fields.hour = local.tm_hour;
    fields.minute = local.tm_min;
    fields.second = local.tm_sec;
    char line[zid::kMessageBufferSize + 8];
    const size_t length = zid::ComposePanelLine(fields, line, sizeof line);
    if (length == 0) return {};
    return std::string(line, length + 1);  // with its NUL
}

std::string GateOf(const zid::PanelLineFields& f) {
    switch (f.event) {
        case PanelEvent::FireLine:
        case PanelEvent::FaultLine:
        case PanelEvent::FaultLineEnd:
            return TwoDigits(f.line) + TwoDigits(f.detector) + "00";
        case PanelEvent::FireZone:
        case PanelEvent::FaultZone:
        case PanelEvent::FaultZoneEnd:
            return "0000" + TwoDigits(f.zone);
        default:
            return {};
    }
}

void PanelModel::Apply(const PanelCommand& command) {
    if (command.kind == PanelCommand::kRaw) {
        ++rawLines;
        return;
    }
    if (command.kind != PanelCommand::kEvent) return;
    const std::string gate = GateOf(command.fields);
    auto store = [&](const std::string& address, uint16_t value) {
        uint16_t& now = gates[address];
        if (now != value) history[address].push_back(value);
        now = value;
    };
    // The driver's own steps for the line's event, applied to the model.
    const zid::PanelEvent event = zid::LineEvent(command.fields.event, command.fields.endMarker);
    if (event == zid::PanelEvent::FireLine || event == zid::PanelEvent::FireZone) ++namedBy[gate].first;
    if (event == zid::PanelEvent::FaultLine || event == zid::PanelEvent::FaultZone) ++namedBy[gate].second;
    for (const zid::ActionStep& step : zid::ActionOf(event).steps) {
        switch (step.kind) {
            case zid::StepKind::kNone:
                return;
            case zid::StepKind::kWord: {
                uint16_t* words[] = {&T, &F, &R, &S};  // in StatusWord order
                *words[static_cast<int>(step.word)] = step.value;
                break;
            }
            case zid::StepKind::kGateBit: {
                const auto mask = static_cast<uint16_t>(1u << step.bit);
                const uint16_t now = gates[gate];
                store(gate, static_cast<uint16_t>(step.value ? now | mask : now & ~mask));
                break;
            }
            case zid::StepKind::kClearAllGates:
                for (auto& entry : gates) store(entry.first, 0);
                break;
        }
    }
}

std::string PanelModel::Describe() const {
    std::string out;
    char line[64];
    for (const auto& [address, value] : gates) {
        std::snprintf(line, sizeof line, "gate %s 0x%04X\n", address.c_str(), value);
        out += line;
    }
    const std::pair<char, uint16_t> words[] = {{'F', F}, {'R', R}, {'S', S}, {'T', T}};
    for (const auto& [letter, value] : words) {
        std::snprintf(line, sizeof line, "status %c %u\n", letter, value);
        out += line;
    }
    for (const auto& [address, values] : history) {
        out += "history " + address;
        for (uint16_t v : values) {
            std::snprintf(line, sizeof line, " 0x%04X", v);
            out += line;
        }
        out += "\n";
    }
    for (const auto& [address, counts] : namedBy) {
        std::snprintf(line, sizeof line, "lines %s %d %d\n", address.c_str(), counts.first,
                      counts.second);
        out += line;
    }
    return out;
}

std::string EventName(const zid::PanelLineFields& f) {
    const std::string where =
        f.detector != 0 ? "line " + TwoDigits(f.line) + " detector " + TwoDigits(f.detector)
                        : "line " + TwoDigits(f.line);
    const std::string zone = "zone " + TwoDigits(f.zone);
    switch (f.event) {
        case PanelEvent::FireLine: return "fire, " + where;
        case PanelEvent::FireZone: return "fire, " + zone;
        case PanelEvent::FaultLine: return "fault, " + where;
        case PanelEvent::FaultLineEnd: return "end of fault, " + where;
        case PanelEvent::FaultZone: return "fault, " + zone;
        case PanelEvent::FaultZoneEnd: return "end of fault, " + zone;
        case PanelEvent::PowerFault: return "power fault";
        case PanelEvent::PowerFaultEnd: return "end of power fault";
        case PanelEvent::SounderSilenced: return "sounder silenced";
        case PanelEvent::TestStart: return "test start";
        case PanelEvent::TestEnd: return "test end";
        case PanelEvent::Reset: return "reset";
    }
    return "?";
}

}  // namespace zidtools
