#include "tools/common/walk_record.h"

#include <algorithm>
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
    int session = 0;    // of its latest start row
    const JournalRow* first = nullptr;
    const JournalRow* last = nullptr;
    const JournalRow* lostSince = nullptr;  // !C went to 1 here, and has not come back
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
    kUnknownGate,
    kRemark
};

Kind KindOf(const std::string& k) {
    static const std::pair<const char*, Kind> kKinds[] = {
        {kind::kLine, Kind::kLine},           {kind::kGate, Kind::kGate},
        {kind::kStatus, Kind::kStatus},       {kind::kNoEvent, Kind::kNoEvent},
        {kind::kRejectedLine, Kind::kRejected}, {kind::kUnknownGate, Kind::kUnknownGate},
        {kind::kPort, Kind::kPortOrCommand},  {kind::kCommand, Kind::kPortOrCommand},
        {kind::kStart, Kind::kStart},         {kind::kStop, Kind::kStop},
        {kind::kRemark, Kind::kRemark},
    };
    for (const auto& [word, code] : kKinds)
        if (k.size() == std::char_traits<char>::length(word) && k.compare(word) == 0) return code;
    return Kind::kOther;
}

// The event of a gate row written from 1.2.0 on: the words before its
// colon. Older rows hold only bit changes, and give none.
std::optional<zid::PanelEvent> GateRowEvent(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    return EventOfWords(std::string_view(text).substr(0, colon));
}

void CountFire(DeviceRow& device, const std::string& time, int session) {
    if (device.fireEvents++ == 0) {
        device.firstFire = time;
        device.session = session;
    }
}

void CountFault(DeviceRow& device, const std::string& time, int session) {
    if (device.faultEvents++ != 0) return;
    device.firstFault = time;
    if (device.fireEvents == 0) device.session = session;
}

// Start rows grouped into sessions: the rows of one zidhost run carry the
// same "session" fact; journals before 1.2.0 have none, and there a start
// row of a channel the session has already started begins the next.
struct Sessions {
    std::vector<WalkSession> list;
    std::string id;

    int Start(const JournalRow& row, const StartFacts& facts) {
        const std::string given = FactOf(facts, "session");
        bool fresh = list.empty();
        if (!fresh) {
            const std::vector<int>& seen = list.back().channels;
            fresh = !given.empty() || !id.empty()
                        ? given != id
                        : std::find(seen.begin(), seen.end(), row.channel) != seen.end();
        }
        if (fresh) {
            WalkSession s;
            s.number = static_cast<int>(list.size()) + 1;
            s.start = row.time;
            list.push_back(std::move(s));
            id = given;
        }
        WalkSession& s = list.back();
        s.end = row.time;
        if (std::find(s.channels.begin(), s.channels.end(), row.channel) == s.channels.end())
            s.channels.push_back(row.channel);
        for (auto [field, key] : {std::pair{&s.operatorName, "operator"},
                                  std::pair{&s.version, "version"}, std::pair{&s.sha256, "sha256"}})
            if (field->empty()) *field = FactOf(facts, key);
        return s.number;
    }
    WalkSession* Of(int number) {
        return number > 0 && number <= static_cast<int>(list.size()) ? &list[number - 1] : nullptr;
    }
};

// Ends a loss of the link that lasted to the end of a run.
void EndLoss(ChannelWork& work, const JournalRow* last) {
    if (!work.lostSince) return;
    work.run.linkLosses.push_back({work.lostSince->time, last ? last->time : "", true});
    work.lostSince = nullptr;
}

}  // namespace

WalkRecord BuildWalkRecord(const std::vector<JournalRow>& rows) {
    WalkRecord test;
    std::map<int, ChannelWork> channels;
    std::unordered_map<std::string, Slot> slots;
    slots.reserve(rows.size() / 4 + 16);
    std::string key;
    Sessions sessions;
    std::vector<std::pair<const JournalRow*, int>> remarks;

    // Registered gates first, so that a gate row or an unknown-gate row
    // anywhere in the journal finds its device.
    for (const JournalRow& row : rows) {
        if (row.kind.compare(kind::kTag) != 0 || !LooksLikeGateTag(row.address)) continue;
        ChannelWork& work = channels[row.channel];
        const auto [it, added] = slots.try_emplace(Key(key, row.channel, row.address),
                                                   Slot{true, work.registered.size()});
        DeviceRow* device = added ? nullptr : &work.registered[it->second.index];
        if (device == nullptr) {
            work.registered.emplace_back();
            device = &work.registered.back();
            device->channel = row.channel;
            device->address = row.address;
            device->value = ParseHexWord(row.newValue).value_or(0);
        }
        // Listed twice: one row, with the first label and type given.
        if (device->label.empty()) device->label = row.label;
        const size_t type = row.text.find("type=");
        if (device->type.empty() && type != std::string::npos) device->type = row.text.substr(type + 5);
    }

    ChannelWork* last = nullptr;
    for (const JournalRow& row : rows) {
        if (!last || last->run.channel != row.channel) {
            last = &channels[row.channel];
            last->run.channel = row.channel;
        }
        ChannelWork& work = *last;
        ChannelRun& run = work.run;
        const JournalRow* before = work.last;
        if (!work.first) work.first = &row;
        work.last = &row;
        if (WalkSession* s = sessions.Of(work.session)) s->end = row.time;
        switch (KindOf(row.kind)) {
            case Kind::kStart: {
                const StartFacts facts = ParseStartText(row.text);
                if (work.open) {
                    ++run.runsNotEnded;
                    if (WalkSession* s = sessions.Of(work.session)) s->endedNormally = false;
                    EndLoss(work, before);
                }
                work.open = true;
                if (run.runs++ == 0) run.facts = facts;
                work.session = sessions.Start(row, facts);
                for (auto& [k, value] : RecordOfFacts(facts)) test.identity[k] = value;
                break;
            }
            case Kind::kStop:
                work.open = false;
                EndLoss(work, &row);
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
                if (row.address != "!C") break;
                if (row.newValue == "1" && !work.lostSince) {
                    work.lostSince = &row;
                } else if (row.newValue == "0" && work.lostSince) {
                    run.linkLosses.push_back({work.lostSince->time, row.time, false});
                    work.lostSince = nullptr;
                }
                break;
            case Kind::kPortOrCommand:
                run.portAndCommands.push_back(row);
                break;
            case Kind::kRemark:
                remarks.emplace_back(&row, work.session);
                break;
            case Kind::kOther:
                break;
            case Kind::kGate: {
                const std::optional<uint16_t> old = ParseHexWord(row.oldValue);
                const std::optional<uint16_t> now = ParseHexWord(row.newValue);
                if (!old || !now) break;
                const uint16_t was = *old, after = *now;
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
                if (const std::optional<zid::PanelEvent> event = GateRowEvent(row.text)) {
                    if (IsFireEvent(*event)) CountFire(device, row.time, work.session);
                    if (IsFaultStart(*event)) CountFault(device, row.time, work.session);
                } else {
                    const uint16_t rose = static_cast<uint16_t>(~was & after);
                    if (rose & (1u << zid::kFireBit)) CountFire(device, row.time, work.session);
                    if (rose & (1u << zid::kFaultBit)) CountFault(device, row.time, work.session);
                }
                if (was != 0 && after == 0) device.restored = row.time;
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
                if (event && IsFireEvent(*event)) CountFire(device, row.time, work.session);
                if (event && IsFaultStart(*event)) CountFault(device, row.time, work.session);
                break;
            }
        }
    }

    // Remarks, to the device they name wherever it came up in the journal.
    for (const auto& [row, session] : remarks) {
        Remark remark{row->time, row->channel, row->address, row->label, row->text, session, false};
        const auto it = slots.find(Key(key, row->channel, row->address));
        if (it != slots.end()) {
            ChannelWork& work = channels[row->channel];
            DeviceRow& device = it->second.registered ? work.registered[it->second.index]
                                                      : work.unregistered[it->second.index];
            device.remark += (device.remark.empty() ? "" : "; ") + row->text;
            if (remark.label.empty()) remark.label = device.label;
            remark.device = true;
        }
        test.remarks.push_back(std::move(remark));
    }

    size_t devices = 0;
    for (const auto& entry : channels)
        devices += entry.second.registered.size() + entry.second.unregistered.size();
    test.rows.reserve(devices);
    for (auto& [channel, work] : channels) {
        work.run.channel = channel;
        if (work.open) {
            ++work.run.runsNotEnded;
            if (WalkSession* s = sessions.Of(work.session)) s->endedNormally = false;
        }
        EndLoss(work, work.last);
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
    test.sessions = std::move(sessions.list);
    return test;
}

}  // namespace zidtools
