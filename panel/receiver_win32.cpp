// The channel's receiver thread: waits for the host's tick, looks at the
// port's input queue and reads at most one panel line per tick. The port
// handle is read from the context afresh for every platform call, so the
// host thread may close, re-open or change the port while this runs.
#include <cstring>

#include "host/qelmar.h"
#include "panel/decoder.h"
#include "panel/receiver.h"
#include "panel/receiver_seams.h"
#include "serial/serial_calls.h"
#include "serial/serial_port.h"

namespace zid {

CreateThreadFn gCreateReceiverThread = ::CreateThread;

namespace {

constexpr DWORD kSettleMs = 1000;    // before the first wait and before leaving
constexpr size_t kClearedBytes = 100;  // the line's characters; byte 100 is the NUL's

DWORD WINAPI ReceiverEntry(LPVOID argument) {
    UnsolicitedThread(static_cast<ChannelContext*>(argument));
    return 0;
}

// Bytes waiting in the input queue of the context's current port. A failed
// query (a closed port, a handle of 0) counts as an empty queue: the count is
// undefined then, and a port in an unknown state is never read.
DWORD QueuedBytes(ChannelContext& ctx) {
    DWORD errors = 0;
    COMSTAT status{};
    if (SerialApi().ClearCommError(ToWin32Handle(LoadPort(ctx)), &errors, &status) != TRUE)
        return 0;
    return status.cbInQue;
}

}  // namespace

bool ReadPortByte(ChannelContext* context, uint8_t* buffer, uint32_t count) {
    uint32_t got = 0;
    return ComRead(LoadPort(*context), buffer, count, &got) == kComOk && got == count;
}

void UnsolicitedThread(ChannelContext* context) {
    ChannelContext& ctx = *context;
    uint8_t message[kWaitMessageSize];  // filled by the host, never read here

    err(kLogLevel, "SulVOR : Start Unsolicited Thread");
    std::memset(ctx.message, 0, kClearedBytes);
    SerialApi().Sleep(kSettleMs);

    while (QelWaitMsg(ctx.clientId, message, 1) != 0) {
        if (QueuedBytes(ctx) == 0) continue;
        if (ReadPanelLine(context))
            DecodePanelMessage(context);
        else
            err(kLogLevel, "SulVOR : Got Illegal length Msg");
        std::memset(ctx.message, 0, kClearedBytes);
    }

    SerialApi().Sleep(kSettleMs);
    QelRmClient(ctx.clientId);
    err(kLogLevel, "SulVOR : ShutDown !");
}

bool StartReceiverThread(ChannelContext* context) {
    DWORD id = 0;
    HANDLE thread = gCreateReceiverThread(nullptr, kReceiverStackSize, ReceiverEntry, context, 0, &id);
    if (thread == nullptr) return false;
    // The thread runs on its own; nothing waits for it.
    CloseHandle(thread);
    return true;
}

}  // namespace zid
