#include "tools/common/walk_test.h"

#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>

#include "tools/common/tag_file.h"

namespace zidtools {
namespace {

namespace kind = journal_kind;

// Where a device's row is while the journal is read.
struct Slot {
    bool registered;
    size_t index;
};

struct ChannelWork {
    ChannelRun run;
    std::vector<WalkTestRow> registered, unregistered;
    bool open = false;  // a start row without its stop row yet
    const JournalRow* first = nullptr;
    const JournalRow* last = nullptr;
};

// The key of a device: channel and address. Built in a buffer that is
// reused, so that looking a device up allocates nothing.
const std::string& Key(std::string& buffer, int channel, const std::string& address) {
    char number[16];
    const int length = std::snprintf(number, sizeof number, "%d\x1F", channel);
    buffer.assign(number, static_cast<size_t>(length));
    buffer += address;
    return buffer;
}

enum class Kind {
    kOther,
    kStart,
    kStop,
    kLine,
    kNoEvent,
    kRefused,
    kStatus,
    kPortOrCommand,
    kGate,
    kUnknownGate
};

Kind KindOf(const std::string& k) {
    static const std::pair<const char*, Kind> kKinds[] = {
        {kind::kLine, Kind::kLine},           {kind::kGate, Kind::kGate},
        {kind::kStatus, Kind::kStatus},       {kind::kNoEvent, Kind::kNoEvent},
        {kind::kRefusedLine, Kind::kRefused}, {kind::kUnknownGate, Kind::kUnknownGate},
        {kind::kPort, Kind::kPortOrCommand},  {kind::kCommand, Kind::kPortOrCommand},
        {kind::kStart, Kind::kStart},         {kind::kStop, Kind::kStop},
    };
    for (const auto& [word, code] : kKinds)
        if (k.size() == std::char_traits<char>::length(word) && k.compare(word) == 0) return code;
    return Kind::kOther;
}

struct Counts {
    int devices = 0, tested = 0, notRestored = 0, faultOnly = 0, notTested = 0, unregistered = 0;
    int runsNotEnded = 0;
};

Counts CountOf(const WalkTest& test, int channel /* -1: all */) {
    Counts c;
    for (const WalkTestRow& row : test.rows) {
        if (channel >= 0 && row.channel != channel) continue;
        const std::string& r = row.result;
        if (r == walk_result::kUnregistered) {
            ++c.unregistered;
            continue;
        }
        ++c.devices;
        if (r == walk_result::kTested)
            ++c.tested;
        else if (r == walk_result::kNotRestored)
            ++c.notRestored;
        else if (r == walk_result::kFaultOnly)
            ++c.faultOnly;
        else
            ++c.notTested;
    }
    for (const ChannelRun& run : test.channels)
        if (channel < 0 || run.channel == channel) c.runsNotEnded += run.runsNotEnded;
    return c;
}

std::string VerdictOf(const Counts& c) {
    const std::string n = std::to_string(c.devices);
    std::string out;
    if (c.devices == 0)
        out = "no devices registered";
    else if (c.tested == c.devices)
        out = c.devices == 1 ? "the one device tested" : "all " + n + " devices tested";
    else
        out = std::to_string(c.tested) + " of " + n + (c.devices == 1 ? " device" : " devices") +
              " tested";
    auto part = [&](int count, const char* words) {
        if (count > 0) out += "; " + std::to_string(count) + words;
    };
    part(c.notRestored, " not restored");
    part(c.faultOnly, " with a fault only");
    part(c.notTested, " not tested");
    if (c.unregistered == 1) out += "; 1 address reported by the panel is not registered";
    part(c.unregistered > 1 ? c.unregistered : 0,
         " addresses reported by the panel are not registered");
    if (c.runsNotEnded > 0) out += "; the run did not end normally";
    return out;
}

// Text for a Markdown table cell or list item: characters that would make
// formatting are escaped, line ends become blanks.
void AppendMd(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            out += ' ';
            continue;
        }
        if (c == '|' || c == '\\' || c == '*' || c == '_' || c == '`' || c == '[' || c == ']' ||
            c == '<' || c == '>' || c == '#')
            out += '\\';
        out += c;
    }
}

std::string Md(const std::string& text) {
    std::string out;
    AppendMd(out, text);
    return out;
}

// Appends every part; numbers as decimals.
void PutOne(std::string& out, const std::string& part) { out += part; }
void PutOne(std::string& out, const char* part) { out += part; }
void PutOne(std::string& out, long number) {
    char text[24];
    out.append(text, static_cast<size_t>(std::snprintf(text, sizeof text, "%ld", number)));
}
template <typename... Parts>
void Put(std::string& out, const Parts&... parts) {
    (PutOne(out, parts), ...);
}

std::string Duration(const std::string& from, const std::string& to) {
    long long a = 0, b = 0;
    if (!ParseJournalTime(from, a) || !ParseJournalTime(to, b) || b < a) return "unknown";
    const long long s = (b - a) / 1000;
    char text[64];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s", s / 3600, s / 60 % 60,
                      s % 60);
    else if (s >= 60)
        std::snprintf(text, sizeof text, "%lld min %02lld s", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld.%03lld s", s, (b - a) % 1000);
    return text;
}

// What a status word's change means, for the history.
const char* StatusWords(const StatusChange& change) {
    const bool on = change.newValue == "1";
    const std::string& a = change.address;
    if (a == "!T") return on ? "test mode on" : "test mode off";
    // F tells of the last fault event only: the end of any one fault clears
    // it, while other faults may remain (the gates' bit 1 tell which).
    if (a == "!F") return on ? "a fault started" : "a fault ended, or a reset";
    if (a == "!R") return on ? "panel reset" : "reset flag cleared by a new fire or fault";
    if (a == "!S")
        return on ? "silence flag set (sounder silenced, a fault ended, or reset)"
                  : "silence flag cleared by a new fire or fault";
    return "";
}

const char* FactName(const std::string& key) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"port", "Port"},
        {"settings", "Settings"},
        {"driver", "Driver"},
        {"version", "Driver version"},
        {"sha256", "Driver SHA-256"},
        {"host library", "Host library"},
        {"tags", "Tag file"},
    };
    for (const auto& [k, name] : kNames)
        if (key == k) return name;
    return nullptr;
}

const char* ResultCell(const std::string& result) {
    if (result == walk_result::kNotTested) return "**NOT TESTED**";
    if (result == walk_result::kNotRestored) return "**NOT RESTORED**";
    if (result == walk_result::kUnregistered) return "**UNREGISTERED**";
    return result.c_str();
}

}  // namespace

WalkTest BuildWalkTest(const std::vector<JournalRow>& rows) {
    std::map<int, ChannelWork> channels;
    std::unordered_map<std::string, Slot> slots;
    slots.reserve(rows.size() / 4 + 16);
    std::string key;

    // Registered gates first, so that a gate row or an unknown-gate row
    // anywhere in the journal finds its device.
    for (const JournalRow& row : rows) {
        if (row.kind.compare(kind::kTag) != 0 || !LooksLikeGateTag(row.address)) continue;
        ChannelWork& work = channels[row.channel];
        const auto [it, added] = slots.try_emplace(Key(key, row.channel, row.address),
                                                   Slot{true, work.registered.size()});
        if (!added) {
            // Listed twice: one row, with the first label given.
            WalkTestRow& device = work.registered[it->second.index];
            if (device.label.empty()) device.label = row.label;
            continue;
        }
        WalkTestRow device;
        device.channel = row.channel;
        device.address = row.address;
        device.label = row.label;
        ParseHexWord(row.newValue, device.value);
        work.registered.push_back(std::move(device));
    }

    ChannelWork* last = nullptr;
    for (const JournalRow& row : rows) {
        if (!last || last->run.channel != row.channel) {
            last = &channels[row.channel];
            last->run.channel = row.channel;
        }
        ChannelWork& work = *last;
        ChannelRun& run = work.run;
        if (!work.first) work.first = &row;
        work.last = &row;
        switch (KindOf(row.kind)) {
            case Kind::kStart:
                if (work.open) ++run.runsNotEnded;
                work.open = true;
                if (run.runs++ == 0) run.facts = ParseStartText(row.text);
                break;
            case Kind::kStop:
                work.open = false;
                break;
            case Kind::kLine:
                ++run.linesRead;
                break;
            case Kind::kNoEvent:
                ++run.linesRead;
                ++run.linesNoEvent;
                break;
            case Kind::kRefused:
                ++run.linesRefused;
                break;
            case Kind::kStatus:
                run.status.push_back({row.time, row.address, row.oldValue, row.newValue});
                break;
            case Kind::kPortOrCommand:
                run.portAndCommands.push_back(row);
                break;
            case Kind::kOther:
                break;
            case Kind::kGate: {
                uint16_t before = 0, after = 0;
                if (!ParseHexWord(row.oldValue, before) || !ParseHexWord(row.newValue, after))
                    break;
                // A gate the host has but the tag list did not name gets a row
                // after the listed ones.
                const auto [it, added] = slots.try_emplace(Key(key, row.channel, row.address),
                                                           Slot{true, work.registered.size()});
                if (added) {
                    WalkTestRow device;
                    device.channel = row.channel;
                    device.address = row.address;
                    device.label = row.label;
                    work.registered.push_back(std::move(device));
                }
                if (!it->second.registered) break;
                WalkTestRow& device = work.registered[it->second.index];
                const uint16_t rose = static_cast<uint16_t>(~before & after);
                if (rose & (1u << zid::kFireBit)) {
                    if (device.fireEvents++ == 0) device.firstFire = row.time;
                }
                if (rose & (1u << zid::kFaultBit)) {
                    if (device.faultEvents++ == 0) device.firstFault = row.time;
                }
                if (before != 0 && after == 0) device.restored = row.time;
                device.value = after;
                break;
            }
            case Kind::kUnknownGate: {
                const auto [it, added] = slots.try_emplace(Key(key, row.channel, row.address),
                                                           Slot{false, work.unregistered.size()});
                if (added) {
                    WalkTestRow device;
                    device.channel = row.channel;
                    device.address = row.address;
                    device.result = walk_result::kUnregistered;
                    work.unregistered.push_back(std::move(device));
                }
                // A registered gate the host could not find (at a reset) keeps
                // its own row; its value did not change.
                if (it->second.registered) break;
                WalkTestRow& device = work.unregistered[it->second.index];
                if (IsFireWord(row.text)) {
                    if (device.fireEvents++ == 0) device.firstFire = row.time;
                } else if (IsFaultWord(row.text)) {
                    if (device.faultEvents++ == 0) device.firstFault = row.time;
                }
                break;
            }
        }
    }

    WalkTest test;
    size_t devices = 0;
    for (const auto& entry : channels)
        devices += entry.second.registered.size() + entry.second.unregistered.size();
    test.rows.reserve(devices);
    for (auto& [channel, work] : channels) {
        work.run.channel = channel;
        if (work.open) ++work.run.runsNotEnded;
        if (work.first) {
            work.run.start = work.first->time;
            work.run.end = work.last->time;
        }
        for (WalkTestRow& device : work.registered) {
            if (device.value != 0) {
                device.restored.clear();
                device.result = walk_result::kNotRestored;
            } else if (device.fireEvents > 0) {
                device.result = walk_result::kTested;
            } else if (device.faultEvents > 0) {
                device.result = walk_result::kFaultOnly;
            } else {
                device.result = walk_result::kNotTested;
            }
            test.rows.push_back(std::move(device));
        }
        for (WalkTestRow& device : work.unregistered) test.rows.push_back(std::move(device));
        test.channels.push_back(std::move(work.run));
    }
    return test;
}

std::string WalkTestCsv(const WalkTest& test) {
    std::string out =
        "channel,address,label,fire_events,first_fire,fault_events,first_fault,restored,result\r\n";
    out.reserve(out.size() + test.rows.size() * 96);
    for (const WalkTestRow& row : test.rows) {
        PutOne(out, long{row.channel});
        for (const std::string* field : {&row.address, &row.label}) {
            out += ',';
            AppendCsvField(out, *field);
        }
        Put(out, ",", long{row.fireEvents}, ",");
        AppendCsvField(out, row.firstFire);
        Put(out, ",", long{row.faultEvents});
        for (const std::string* field : {&row.firstFault, &row.restored, &row.result}) {
            out += ',';
            AppendCsvField(out, *field);
        }
        out += "\r\n";
    }
    return out;
}

std::string Verdict(const WalkTest& test) { return VerdictOf(CountOf(test, -1)); }

std::string WalkTestMarkdown(const WalkTest& test) {
    std::string site, operatorName;
    for (const ChannelRun& run : test.channels) {
        if (site.empty()) site = FactOf(run.facts, "site");
        if (operatorName.empty()) operatorName = FactOf(run.facts, "operator");
    }
    std::string out;
    out.reserve(4096 + test.rows.size() * 120);
    out += "# Walk test";
    if (!site.empty()) out += ": " + Md(site);
    out += "\n\n";
    if (!site.empty()) out += "Site: " + Md(site) + "  \n";
    if (!operatorName.empty()) out += "Operator: " + Md(operatorName) + "  \n";
    out += "**Result: " + Md(Verdict(test)) + "**\n\n";
    if (test.journalCutOff > 0)
        out += "The journal's last row was cut off when the run was stopped; it is left out.\n\n";
    if (test.journalUnreadable > 0)
        out += std::to_string(test.journalUnreadable) +
               " row(s) of the journal could not be read and are left out.\n\n";

    for (const ChannelRun& run : test.channels) {
        out += "## Channel " + std::to_string(run.channel) + "\n\n";
        if (test.channels.size() > 1)
            out += "Result: " + Md(VerdictOf(CountOf(test, run.channel))) + "\n\n";
        out += "| | |\n|---|---|\n";
        for (const auto& [key, value] : run.facts) {
            if (key == "site" || key == "operator") continue;
            const char* name = FactName(key);
            out += "| " + (name ? std::string(name) : Md(key)) + " | " + Md(value) + " |\n";
        }
        out += "| Start | " + run.start + " |\n";
        out += "| End | " + run.end;
        if (run.runsNotEnded > 0) out += " — **run did not end normally**";
        out += " |\n";
        out += "| Duration | " + Duration(run.start, run.end) + " |\n";
        if (run.runs > 1) out += "| Runs | " + std::to_string(run.runs) + " |\n";
        out += "| Lines read | " + std::to_string(run.linesRead) + ", of which " +
               std::to_string(run.linesNoEvent) + " carried no event |\n";
        out += "| Lines refused | " + std::to_string(run.linesRefused) + " |\n\n";

        out +=
            "### Devices\n\n"
            "| Address | Label | Fire events | First fire | Fault events | First fault | "
            "Restored | Result |\n|---|---|---:|---|---:|---|---|---|\n";
        for (const WalkTestRow& row : test.rows) {
            if (row.channel != run.channel) continue;
            out += "| ";
            AppendMd(out, row.address);
            out += " | ";
            AppendMd(out, row.label);
            Put(out, " | ", long{row.fireEvents}, " | ", row.firstFire, " | ",
                long{row.faultEvents}, " | ", row.firstFault, " | ", row.restored, " | ",
                ResultCell(row.result), " |\n");
        }
        out += "\n### Status words\n\n";
        if (run.status.empty()) out += "No status word changed.\n";
        for (const StatusChange& s : run.status) {
            Put(out, "- ", s.time, "  ");
            AppendMd(out, s.address);
            out += ' ';
            AppendMd(out, s.oldValue);
            out += " → ";
            AppendMd(out, s.newValue);
            Put(out, "  ", StatusWords(s), "\n");
        }
        if (!run.portAndCommands.empty()) {
            out += "\n### Port and console\n\n";
            for (const JournalRow& r : run.portAndCommands) {
                Put(out, "- ", r.time, "  ", r.kind, ": ");
                AppendMd(out, r.text);
                out += '\n';
            }
        }
        out += "\n";
    }

    out +=
        "## Signatures\n\n"
        "Tested by: ______________________  Signature: ______________________  "
        "Date: ____________\n\n"
        "Witnessed by: ___________________  Signature: ______________________  "
        "Date: ____________\n";
    return out;
}

bool RebuildReport(const std::string& dir, std::string& verdictOrError) {
    const std::string journal = PathIn(dir, kJournalFileName);
    std::string text;
    if (!ReadFileBytes(journal, text)) {
        verdictOrError = "cannot read " + journal;
        return false;
    }
    const ParsedJournal parsed = ParseJournal(text);
    if (!parsed.error.empty()) {
        verdictOrError = journal + ": " + parsed.error;
        return false;
    }
    WalkTest test = BuildWalkTest(parsed.rows);
    test.journalCutOff = parsed.cutOff;
    test.journalUnreadable = parsed.unreadable;
    for (const auto& [name, content] :
         {std::pair<const char*, std::string>{kWalkTestCsvName, WalkTestCsv(test)},
          std::pair<const char*, std::string>{kWalkTestMarkdownName, WalkTestMarkdown(test)}}) {
        const std::string path = PathIn(dir, name);
        if (!WriteFileBytes(path, content)) {
            verdictOrError = "cannot write " + path;
            return false;
        }
    }
    verdictOrError = Verdict(test);
    return true;
}

}  // namespace zidtools
