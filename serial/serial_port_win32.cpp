// Serial port access over a Win32 communications handle. No state of its
// own: the handle belongs to the caller and every setting lives in the
// device. Every Win32 call goes through the call table (serial_calls.h).
#include <cstring>

#include "serial/serial_calls.h"
#include "serial/serial_port.h"

namespace zid {

const SerialCalls kWin32SerialCalls = {
    ::CreateFileA,  ::GetCommState, ::SetCommState, ::GetCommTimeouts, ::SetCommTimeouts,
    ::SetupComm,    ::ClearCommError, ::ReadFile,   ::WriteFile,       ::SetCommBreak,
    ::ClearCommBreak, ::CloseHandle, ::CreateThread, ::Sleep,
};

namespace {

SerialCalls gCalls = kWin32SerialCalls;

constexpr DWORD kDcbLength = 28;
constexpr DWORD kOpenReadTimeoutMs = 1000;
constexpr DWORD kQueueSize = 1200;
constexpr char kErrorChar = static_cast<char>(0xFC);
constexpr DWORD kDrainChunk = 512;
constexpr int32_t kDrainTimeoutTens = 5;  // 50 ms

static_assert(sizeof(DCB) == kDcbLength, "DCB is 28 bytes on every Windows target");

// DTR and RTS control from the line flags: the first mask of its group with
// any bit set wins.
struct FlagRule {
    uint16_t mask;
    DWORD control;
};
constexpr FlagRule kDtrRules[] = {{0x0101, DTR_CONTROL_ENABLE}, {0x8000, DTR_CONTROL_HANDSHAKE}};
constexpr FlagRule kRtsRules[] = {
    {0x0202, RTS_CONTROL_ENABLE}, {0x1000, RTS_CONTROL_HANDSHAKE}, {0x2000, RTS_CONTROL_TOGGLE}};

template <size_t N>
DWORD ControlFor(const FlagRule (&rules)[N], uint16_t flags, DWORD none) {
    for (const FlagRule& rule : rules)
        if ((flags & rule.mask) != 0) return rule.control;
    return none;
}

}  // namespace

const SerialCalls& SerialApi() { return gCalls; }

void SetSerialCalls(const SerialCalls* calls) { gCalls = calls ? *calls : kWin32SerialCalls; }

ComResult ComOpen(const char* name, const LineBlock* line, uint16_t lineFlags, PortHandle* out) {
    HANDLE handle = gCalls.CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    *out = FromWin32Handle(handle);
    if (handle == INVALID_HANDLE_VALUE) return kComDeviceFailed;
    // The null device is used as it is, unconfigured.
    if (std::strcmp(name, "NUL") == 0) return kComOk;

    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = kDcbLength;
    if (!gCalls.GetCommState(handle, &dcb)) {
        gCalls.CloseHandle(handle);
        return kComStateQueryFailed;
    }

    // Built afresh, not read from the device: a read returns when its bytes
    // are in, or after 1000 ms with what came; writes have no timeout.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kOpenReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    if (!gCalls.SetCommTimeouts(handle, &timeouts)) {
        gCalls.CloseHandle(handle);
        return kComDeviceFailed;
    }

    dcb.BaudRate = line->baud;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = ControlFor(kDtrRules, lineFlags, DTR_CONTROL_DISABLE);
    dcb.fDsrSensitivity = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = ControlFor(kRtsRules, lineFlags, RTS_CONTROL_DISABLE);
    dcb.fAbortOnError = 0;
    dcb.ByteSize = static_cast<BYTE>(line->dataBits & 0xFF);
    dcb.Parity = static_cast<BYTE>(line->parity & 0xFF);
    dcb.StopBits = static_cast<BYTE>(line->stopBits & 0xFF);
    dcb.ErrorChar = kErrorChar;
    if (!gCalls.SetCommState(handle, &dcb)) {
        gCalls.CloseHandle(handle);
        return kComStateRefused;
    }

    gCalls.SetupComm(handle, kQueueSize, kQueueSize);
    return kComOk;
}

ComResult ComClose(PortHandle handle) {
    return gCalls.CloseHandle(ToWin32Handle(handle)) ? kComOk : kComCallFailed;
}

ComResult ComSetReadTimeout(PortHandle handle, int32_t tensOfMs, int32_t* previous) {
    const HANDLE h = ToWin32Handle(handle);
    COMMTIMEOUTS timeouts{};
    if (!gCalls.GetCommTimeouts(h, &timeouts)) return kComDeviceFailed;
    const DWORD had = timeouts.ReadTotalTimeoutConstant;
    // Unsigned arithmetic: a huge or negative value wraps instead of overflowing.
    const DWORD wanted = static_cast<DWORD>(tensOfMs) * 10u;
    if (wanted != had) {
        timeouts.ReadTotalTimeoutConstant = wanted;
        if (!gCalls.SetCommTimeouts(h, &timeouts)) return kComDeviceFailed;
    }
    if (previous) *previous = static_cast<int32_t>(had / 10u);
    return kComOk;
}

ComResult ComPurgeInput(PortHandle handle) {
    const HANDLE h = ToWin32Handle(handle);
    DWORD errors = 0;
    COMSTAT status{};
    // A failed query does not stop the drain: it reads as if bytes waited.
    if (gCalls.ClearCommError(h, &errors, &status) == TRUE && status.cbInQue == 0) return kComOk;

    int32_t saved = 0;
    const bool drainTimeoutSet = ComSetReadTimeout(handle, kDrainTimeoutTens, &saved) == kComOk;
    uint8_t scratch[kDrainChunk];
    BOOL ok;
    DWORD got;
    do {
        got = 0;
        ok = gCalls.ReadFile(h, scratch, kDrainChunk, &got, nullptr);
    } while (ok == TRUE && got == kDrainChunk);
    // A previous timeout under 10 ms reads as 0 tens and is not put back:
    // as a total read timeout, 0 is no timeout at all (every read waits until
    // bytes come), so putting 0 back would turn a short timeout into an
    // endless one and stall the receiver's reads on a silent line. The
    // drain's 50 ms stays instead, as it always has.
    if (drainTimeoutSet && saved != 0) ComSetReadTimeout(handle, saved);
    return ok == TRUE ? kComOk : kComDeviceFailed;
}

ComResult ComSendBreak(uint32_t milliseconds, PortHandle handle) {
    const HANDLE h = ToWin32Handle(handle);
    gCalls.SetCommBreak(h);
    gCalls.Sleep(milliseconds);
    gCalls.ClearCommBreak(h);
    return kComOk;
}

ComResult ComWrite(PortHandle handle, const void* buffer, uint32_t count, uint32_t* written) {
    DWORD done = 0;
    if (!gCalls.WriteFile(ToWin32Handle(handle), buffer, count, &done, nullptr)) return kComCallFailed;
    if (written) *written = done;
    return done == count ? kComOk : kComShortWrite;
}

ComResult ComRead(PortHandle handle, void* buffer, uint32_t count, uint32_t* read) {
    const HANDLE h = ToWin32Handle(handle);
    auto* bytes = static_cast<uint8_t*>(buffer);
    if (read) *read = 0;
    uint32_t total = 0;
    do {
        // Each platform read asks for the rest as a 16-bit count.
        const DWORD ask = static_cast<uint16_t>(count - total);
        DWORD got = 0;
        if (!gCalls.ReadFile(h, bytes + total, ask, &got, nullptr)) return kComCallFailed;
        if (got == 0) return kComCallFailed;  // the total read timeout passed
        total += got;
        if (read) *read = total;
    } while (total < count);
    return kComOk;
}

ComResult ComSleep(uint32_t milliseconds) {
    gCalls.Sleep(milliseconds);
    return kComOk;
}

ComResult ComQueuedBytes(PortHandle handle, uint32_t* queued) {
    DWORD errors = 0;
    COMSTAT status{};
    *queued = 0;
    if (gCalls.ClearCommError(ToWin32Handle(handle), &errors, &status) != TRUE) return kComCallFailed;
    *queued = status.cbInQue;
    return kComOk;
}

bool ComStartThread(ThreadRoutine routine, void* argument, uint32_t stackSize) {
    DWORD id = 0;
    const HANDLE thread = gCalls.CreateThread(nullptr, stackSize, routine, argument, 0, &id);
    if (thread == nullptr) return false;
    // The thread runs on its own; nothing waits for it. Its handle is not a
    // port's, so it goes straight back to kernel32 rather than through the
    // table's CloseHandle, which closes ports (and which tests count).
    ::CloseHandle(thread);
    return true;
}

}  // namespace zid
