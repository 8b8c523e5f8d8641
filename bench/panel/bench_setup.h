// Shared set-up of the decoder benchmarks: a channel context with its gates
// defined in the stand-in host, and composed panel lines.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host_abi/context.h"
#include "panel/decoder.h"
#include "panel/gates.h"
#include "standin/qelmar_sim.h"
#include "tools/common/line_composer.h"

namespace zid::bench {

inline constexpr uint8_t kClient = 1;
inline constexpr uint8_t kChannel = 1;
// A 60-character line at 9600 baud, 10 bits a character: 62.5 ms on the
// wire; the decoder's budget per line is 1 % of that.
inline constexpr double kLineBudgetMicroseconds = 625.0;
inline constexpr double kResetWalkBudgetMilliseconds = 100.0;

inline std::unique_ptr<ChannelContext> NewContext() {
    QelSimReset();
    QelSimSetLogEcho(0);
    QelSimSetTickPeriod(0);
    auto ctx = std::make_unique<ChannelContext>();
    ctx->clientId = kClient;
    ctx->channel = kChannel;
    return ctx;
}

// Registers count gates LLDDZZ (all defined in the host), as the host's
// thread does through the tag-address command.
inline void RegisterGates(ChannelContext& ctx, int count) {
    uint32_t n = 0;
    for (int i = 0; i < count && i < kAddressTableSize; ++i) {
        char address[kAddressSize];
        std::snprintf(address, sizeof address, "%06d", i);
        QelSimDefineGate(kChannel, address);
        std::memcpy(ctx.addresses[n], address, sizeof address);
        PublishCount(ctx, ++n);
    }
}

inline std::string Compose(PanelEvent event, int line, int detector, int zone, bool end = false) {
    PanelLineFields f{event};
    f.line = line;
    f.detector = detector;
    f.zone = zone;
    f.endMarker = end;
    f.hour = 12;
    f.minute = 34;
    f.second = 56;
    char out[kMessageBufferSize];
    const size_t n = ComposePanelLine(f, out, sizeof out);
    return std::string(out, n);
}

// One line of every event but the reset, with their gates defined.
inline std::vector<std::string> EveryEventLine() {
    QelSimDefineGate(kChannel, "031200");
    QelSimDefineGate(kChannel, "000007");
    return {
        Compose(PanelEvent::FireLine, 3, 12, 0),
        Compose(PanelEvent::FireZone, 0, 0, 7),
        Compose(PanelEvent::FaultLine, 3, 12, 0),
        Compose(PanelEvent::FaultLine, 3, 12, 0, true),
        Compose(PanelEvent::FaultZone, 0, 0, 7),
        Compose(PanelEvent::FaultLineEnd, 3, 12, 0, true),
        Compose(PanelEvent::FaultZoneEnd, 0, 0, 7),
        Compose(PanelEvent::PowerFaultEnd, 0, 0, 0),
        Compose(PanelEvent::PowerFault, 0, 0, 0),
        Compose(PanelEvent::SounderSilenced, 0, 0, 0),
        Compose(PanelEvent::TestEnd, 0, 0, 0),
        Compose(PanelEvent::TestStart, 0, 0, 0),
    };
}

// A line of 60 characters that matches nothing: every keyword is tried.
inline std::string IgnoredLine() {
    std::string line = Compose(PanelEvent::TestStart, 0, 0, 0);
    line.resize(29);
    line.append(31, '-');
    return line;
}

// Puts a line into the message buffer as the receiver leaves it.
inline void SetLine(ChannelContext& ctx, const std::string& line) {
    std::memset(ctx.message, 0, sizeof ctx.message);
    std::memcpy(ctx.message, line.data(), line.size() < kMaxLineLength ? line.size() : kMaxLineLength);
}

}  // namespace zid::bench
