// What the driver tells the host while the run lasts: its log lines, the
// gates it writes and the status words it keeps.
#include <windows.h>

#include "panel/decoder.h"
#include "standin/qelmar_sim.h"
#include "tools/common/driver_log_reader.h"
#include "tools/common/event_names.h"
#include "tools/zidhost/session.h"
#include "tools/zidhost/session_channel.h"

namespace zidhost {

using zidtools::DriverLogKind;

// The channel a log line belongs to. On the host's thread, the channel whose
// command runs; on a receiver thread, the channel whose client it waits for;
// before its first wait (the thread's first line), the channel started last.
Session::Channel* Session::Attribute() {
    if (GetCurrentThreadId() == hostThread_) return commandChannel_;
    const uint8_t client = QelSimCallerClient();
    if (client != 0)
        for (auto& c : channels_)
            if (c->client == client) return c.get();
    return lastStarted_;
}

void Session::OnLog(const char* text) {
    Channel* c = Attribute();
    records_.Log(c ? &c->tag : nullptr, text);
    if (c == nullptr) return;
    const zidtools::DriverLogLine line = zidtools::ReadDriverLog(text);
    switch (line.kind) {
        case DriverLogKind::kLineRead: {
            zid::PanelEvent event;
            c->lineEvent = zid::FindLineEvent(line.detail.c_str(), &event) ? std::optional(event)
                                                                           : std::nullopt;
            records_.Line(c->tag, line.detail, c->lineEvent, c->restFollows);
            c->restFollows = false;
            c->cutOffBefore = false;
            ++c->linesRead;
            break;
        }
        case DriverLogKind::kLineCutOff:
            c->cutOffBefore = true;
            break;
        case DriverLogKind::kLineRejected: {
            // Logged while the rejected characters are still in the buffer.
            const std::string buffered = c->driver.BufferedLine();
            const Rejection why = c->cutOffBefore ? Rejection::kCutOff
                                  : buffered.size() == static_cast<size_t>(zid::kMaxLineLength)
                                      ? Rejection::kOverlong
                                      : Rejection::kEmpty;
            records_.Rejected(c->tag, why, buffered);
            c->restFollows = why == Rejection::kOverlong;
            c->cutOffBefore = false;
            c->lineEvent.reset();
            ++c->linesRead;
            break;
        }
        case DriverLogKind::kUnknownGate:
            records_.UnknownGate(c->tag, line.detail, c->lineEvent);
            break;
        case DriverLogKind::kShutDown:
            c->shutDownLogged = true;
            break;
        case DriverLogKind::kThreadStarted:
            c->threadStarted = true;
            break;
        case DriverLogKind::kOther:
            break;
    }
}

// The host is told of every write, also of one that changes nothing. The
// driver writes a gate on the receiver thread that logged the line just
// before, so the line's event is the channel's lineEvent. A fire or
// fault-start line is kept even when its bit was set already: it is the
// panel reporting one more device of a zone. Other writes that change
// nothing (a reset of a gate at 0) are left out.
void Session::OnGate(uint8_t channel, const char* address, uint16_t before, uint16_t after) {
    Channel* c = Find(channel);
    if (c == nullptr) return;
    const std::optional<zid::PanelEvent> event = c->lineEvent;
    const bool reports = event && (zidtools::IsFireEvent(*event) || zidtools::IsFaultStart(*event));
    if (before == after && !reports) return;
    const auto label = c->labels.find(address);
    records_.Gate(c->tag, address, label == c->labels.end() ? "" : label->second, before, after,
                  event);
}

void Session::PollStatus(Channel& c) {
    if (!c.started) return;
    for (int i = 0; i < kStatusWordCount; ++i) {
        const std::optional<uint16_t> now = c.driver.Read(kStatusWords[i].type, 0);
        if (!now || *now == c.status[i]) continue;
        if (i == kPortWord)
            PortAnswerChanged(c, c.status[i], *now);
        else
            records_.Status(c.tag, kStatusWords[i].letter, c.status[i], *now);
        c.status[i] = *now;
    }
}

}  // namespace zidhost
