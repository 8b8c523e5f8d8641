#include "tools/common/walk_record.h"

#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>

#include "tools/common/event_names.h"
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
    std::vector<DeviceRow> registered, unregistered;
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
    kRejected,
    kStatus,
    kPortOrCommand,
    kGate,
    kUnknownGate
};

Kind KindOf(const std::string& k) {
    static const std::pair<const char*, Kind> kKinds[] = {
        {kind::kLine, Kind::kLine},           {kind::kGate, Kind::kGate},
        {kind::kStatus, Kind::kStatus},       {kind::kNoEvent, Kind::kNoEvent},
        {kind::kRejectedLine, Kind::kRejected}, {kind::kUnknownGate, Kind::kUnknownGate},
        {kind::kPort, Kind::kPortOrCommand},  {kind::kCommand, Kind::kPortOrCommand},
        {kind::kStart, Kind::kStart},         {kind::kStop, Kind::kStop},
    };
    for (const auto& [word, code] : kKinds)
        if (k.size() == std::char_traits<char>::length(word) && k.compare(word) == 0) return code;
    return Kind::kOther;
}

}  // namespace

WalkRecord BuildWalkRecord(const std::vector<JournalRow>& rows) {
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
            DeviceRow& device = work.registered[it->second.index];
            if (device.label.empty()) device.label = row.label;
            continue;
        }
        DeviceRow device;
        device.channel = row.channel;
        device.address = row.address;
        device.label = row.label;
        device.value = ParseHexWord(row.newValue).value_or(0);
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
            case Kind::kRejected:
                ++run.linesRejected;
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
                const std::optional<uint16_t> old = ParseHexWord(row.oldValue);
                const std::optional<uint16_t> now = ParseHexWord(row.newValue);
                if (!old || !now) break;
                const uint16_t before = *old, after = *now;
                // A gate the host has but the tag list did not name gets a row
                // after the listed ones.
                const auto [it, added] = slots.try_emplace(Key(key, row.channel, row.address),
                                                           Slot{true, work.registered.size()});
                if (added) {
                    DeviceRow device;
                    device.channel = row.channel;
                    device.address = row.address;
                    device.label = row.label;
                    work.registered.push_back(std::move(device));
                }
                if (!it->second.registered) break;
                DeviceRow& device = work.registered[it->second.index];
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
                    DeviceRow device;
                    device.channel = row.channel;
                    device.address = row.address;
                    device.result = walk_result::kUnregistered;
                    work.unregistered.push_back(std::move(device));
                }
                // A registered gate the host could not find (at a reset) keeps
                // its own row; its value did not change.
                if (it->second.registered) break;
                DeviceRow& device = work.unregistered[it->second.index];
                const std::optional<zid::PanelEvent> event = EventOfWords(row.text);
                if (event && IsFireEvent(*event)) {
                    if (device.fireEvents++ == 0) device.firstFire = row.time;
                } else if (event && IsFaultStart(*event)) {
                    if (device.faultEvents++ == 0) device.firstFault = row.time;
                }
                break;
            }
        }
    }

    WalkRecord test;
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
        for (DeviceRow& device : work.registered) {
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
        for (DeviceRow& device : work.unregistered) test.rows.push_back(std::move(device));
        test.channels.push_back(std::move(work.run));
    }
    return test;
}

std::string VerdictOf(const DeviceCounts& c) {
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

DeviceCounts CountDevices(const WalkRecord& record, int channel) {
    DeviceCounts c;
    for (const DeviceRow& row : record.rows) {
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
    for (const ChannelRun& run : record.channels)
        if (channel < 0 || run.channel == channel) c.runsNotEnded += run.runsNotEnded;
    return c;
}

std::string Verdict(const WalkRecord& record) { return VerdictOf(CountDevices(record, -1)); }

}  // namespace zidtools
