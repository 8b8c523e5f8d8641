// The walk test summed up: counts, verdict, whether the record is clean, and
// durations (walk_record.h).
#include <cstdio>
#include <string>

#include "tools/common/local_time.h"
#include "tools/common/walk_record.h"

namespace zidtools {

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
    if (c.linkLosses == 1) out += "; the link to the panel was lost once";
    if (c.linkLosses > 1)
        out += "; the link to the panel was lost " + std::to_string(c.linkLosses) + " times";
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
    for (const ChannelRun& run : record.channels) {
        if (channel >= 0 && run.channel != channel) continue;
        c.runsNotEnded += run.runsNotEnded;
        c.linkLosses += static_cast<int>(run.linkLosses.size());
    }
    return c;
}

bool IsClean(const WalkRecord& record) {
    const DeviceCounts c = CountDevices(record, -1);
    return c.devices > 0 && c.tested == c.devices && c.unregistered == 0 && c.linkLosses == 0 &&
           c.runsNotEnded == 0 && record.journalCutOff == 0 && record.journalUnreadable == 0 &&
           record.journalRowsSkipped == 0;
}

std::string Verdict(const WalkRecord& record) { return VerdictOf(CountDevices(record, -1)); }

std::optional<long long> DurationMs(const std::string& from, const std::string& to) {
    const std::optional<long long> begin = ParseLocalTime(from), end = ParseLocalTime(to);
    if (!begin || !end || *end < *begin) return std::nullopt;
    return *end - *begin;
}

std::string DurationText(const std::string& from, const std::string& to) {
    const std::optional<long long> ms = DurationMs(from, to);
    if (!ms) return "unknown";
    const long long s = *ms / 1000;
    char text[64];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s", s / 3600, s / 60 % 60,
                      s % 60);
    else if (s >= 60)
        std::snprintf(text, sizeof text, "%lld min %02lld s", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld.%03lld s", s, *ms % 1000);
    return text;
}

}  // namespace zidtools
