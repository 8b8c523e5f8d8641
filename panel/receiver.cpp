// The channel's receiver thread: waits for the host's tick, looks at the
// port's input queue and reads at most one panel line per tick. The port
// handle is read from the context afresh for every platform call, so the
// host thread may close, re-open or change the port while this runs. Each
// look also tells the host whether the port answers: the status word !C.
#include "panel/receiver.h"

#include <cstring>

#include "host_abi/driver_log.h"
#include "host_abi/qelmar.h"
#include "panel/decoder.h"
#include "panel/framing.h"
#include "serial/serial_port.h"

namespace zid {
namespace {

constexpr uint32_t kSettleMs = 1000;  // before the first wait and before leaving
// The line's characters; the buffer's last byte is the NUL's and stays 0.
constexpr size_t kClearedBytes = kMaxLineLength;

unsigned long ZID_THREAD_CALL ReceiverEntry(void* argument) {
    UnsolicitedThread(static_cast<ChannelContext*>(argument));
    return 0;
}

}  // namespace

bool ReadPortByte(ChannelContext* context, uint8_t* buffer, uint32_t count) {
    uint32_t got = 0;
    return ComRead(LoadPort(*context), buffer, count, &got) == kComOk && got == count;
}

void UnsolicitedThread(ChannelContext* context) {
    ChannelContext& ctx = *context;
    uint8_t message[kWaitMessageSize];  // filled by the host, never read here

    err(kLogLevel, logline::kThreadStarted);
    std::memset(ctx.message, 0, kClearedBytes);
    ComSleep(kSettleMs);

    while (QelWaitMsg(ctx.clientId, message, 1) != 0) {
        // A port that does not answer (closed by the host, a device gone or
        // failing) is never read, and !C says so until a look succeeds. A
        // context with no port (0) fails the look as any closed handle does.
        uint32_t queued = 0;
        const bool answered = ComQueuedBytes(LoadPort(ctx), &queued) == kComOk;
        StoreStatus(ctx.portDown, answered ? 0 : 1);
        if (!answered || queued == 0) continue;
        if (ReadPanelLine(context, ReadPortByte))
            DecodePanelMessage(context);
        else
            err(kLogLevel, logline::kIllegalLength);
        std::memset(ctx.message, 0, kClearedBytes);
    }

    ComSleep(kSettleMs);
    QelRmClient(ctx.clientId);
    err(kLogLevel, logline::kShutDown);
}

bool StartReceiverThread(ChannelContext* context) {
    return ComStartThread(ReceiverEntry, context, kReceiverStackSize);
}

}  // namespace zid
