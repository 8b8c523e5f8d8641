#include "tests/serial/fake_serial.h"

#include <algorithm>
#include <cstring>

#include "serial/serial_calls.h"

namespace fake {
namespace {

Device* gDevice = nullptr;

// Counts the call and says whether it is to fail.
bool Enter(Fn fn, HANDLE h = nullptr, bool takesHandle = true) {
    Device& d = *gDevice;
    d.order.push_back(fn);
    if (takesHandle) d.handles.push_back(h);
    const int n = ++d.calls[fn];
    return d.failAlways[fn] || d.failAt[fn] == n || (d.failFrom[fn] != 0 && n >= d.failFrom[fn]);
}

bool Usable(HANDLE h) { return gDevice->IsOpen(h); }

HANDLE WINAPI FakeCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                              DWORD disposition, DWORD attributes, HANDLE) {
    Device& d = *gDevice;
    d.order.push_back(kCreateFile);
    const int n = ++d.calls[kCreateFile];
    d.lastName = name;
    d.lastAccess = access;
    d.lastShare = share;
    d.lastDisposition = disposition;
    d.lastAttributes = attributes;
    if (d.failAlways[kCreateFile] || d.failAt[kCreateFile] == n) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = reinterpret_cast<HANDLE>(d.nextHandle);
    d.nextHandle += 4;
    d.open.push_back(h);
    return h;
}

BOOL WINAPI FakeGetCommState(HANDLE h, LPDCB dcb) {
    if (Enter(kGetCommState, h) || !Usable(h)) return FALSE;
    if (dcb->DCBlength != 28) return FALSE;
    *dcb = gDevice->dcb;
    return TRUE;
}

BOOL WINAPI FakeSetCommState(HANDLE h, LPDCB dcb) {
    if (Enter(kSetCommState, h) || !Usable(h)) return FALSE;
    gDevice->dcb = *dcb;
    return TRUE;
}

BOOL WINAPI FakeGetCommTimeouts(HANDLE h, LPCOMMTIMEOUTS t) {
    if (Enter(kGetCommTimeouts, h) || !Usable(h)) return FALSE;
    *t = gDevice->timeouts;
    return TRUE;
}

BOOL WINAPI FakeSetCommTimeouts(HANDLE h, LPCOMMTIMEOUTS t) {
    if (Enter(kSetCommTimeouts, h) || !Usable(h)) return FALSE;
    gDevice->timeouts = *t;
    gDevice->timeoutsSet.push_back(t->ReadTotalTimeoutConstant);
    return TRUE;
}

BOOL WINAPI FakeSetupComm(HANDLE h, DWORD in, DWORD out) {
    if (Enter(kSetupComm, h) || !Usable(h)) return FALSE;
    gDevice->inQueue = in;
    gDevice->outQueue = out;
    return TRUE;
}

BOOL WINAPI FakeClearCommError(HANDLE h, LPDWORD errors, LPCOMSTAT status) {
    if (Enter(kClearCommError, h) || !Usable(h)) {
        // A failed query leaves garbage behind: the caller must not use it.
        if (status) status->cbInQue = 0xDEAD;
        return FALSE;
    }
    if (errors) *errors = 0;
    if (status) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = gDevice->Queued();
    }
    return TRUE;
}

BOOL WINAPI FakeReadFile(HANDLE h, LPVOID buffer, DWORD count, LPDWORD got, LPOVERLAPPED) {
    Device& d = *gDevice;
    const bool fail = Enter(kReadFile, h) || !Usable(h);
    Read r{h, count, 0, d.timeouts.ReadTotalTimeoutConstant, !fail};
    if (!fail && !d.arrivals.empty()) {
        std::string& chunk = d.arrivals.front();
        const DWORD n = std::min<DWORD>(count, static_cast<DWORD>(chunk.size()));
        std::memcpy(buffer, chunk.data(), n);
        chunk.erase(0, n);
        if (chunk.empty()) d.arrivals.pop_front();
        r.delivered = n;
    }
    d.reads.push_back(r);
    if (got) *got = r.delivered;
    return fail ? FALSE : TRUE;
}

BOOL WINAPI FakeWriteFile(HANDLE h, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED) {
    Device& d = *gDevice;
    if (Enter(kWriteFile, h) || !Usable(h)) return FALSE;
    const DWORD n = std::min(count, d.writeAccepts);
    d.written.append(static_cast<const char*>(buffer), n);
    if (done) *done = n;
    return TRUE;
}

BOOL WINAPI FakeSetCommBreak(HANDLE h) {
    if (Enter(kSetCommBreak, h) || !Usable(h)) return FALSE;
    gDevice->breakOn = true;
    return TRUE;
}

BOOL WINAPI FakeClearCommBreak(HANDLE h) {
    if (Enter(kClearCommBreak, h) || !Usable(h)) return FALSE;
    gDevice->breakOn = false;
    return TRUE;
}

BOOL WINAPI FakeCloseHandle(HANDLE h) {
    Device& d = *gDevice;
    if (Enter(kCloseHandle, h)) return FALSE;
    auto it = std::find(d.open.begin(), d.open.end(), h);
    if (it == d.open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    d.open.erase(it);
    return TRUE;
}

VOID WINAPI FakeSleep(DWORD ms) {
    Enter(kSleep, nullptr, false);
    gDevice->sleeps.push_back(ms);
}

constexpr zid::SerialCalls kFakeCalls = {
    FakeCreateFileA, FakeGetCommState, FakeSetCommState, FakeGetCommTimeouts,
    FakeSetCommTimeouts, FakeSetupComm, FakeClearCommError, FakeReadFile,
    FakeWriteFile, FakeSetCommBreak, FakeClearCommBreak, FakeCloseHandle, ::CreateThread,
    FakeSleep,
};

}  // namespace

DWORD Device::Queued() const {
    DWORD n = 0;
    for (const std::string& chunk : arrivals) n += static_cast<DWORD>(chunk.size());
    return n;
}

bool Device::IsOpen(HANDLE h) const { return std::find(open.begin(), open.end(), h) != open.end(); }

Device& Install() {
    delete gDevice;
    gDevice = new Device;
    // A device as a fresh port reports it.
    gDevice->dcb.DCBlength = 28;
    gDevice->dcb.BaudRate = 1200;
    gDevice->dcb.ByteSize = 7;
    gDevice->dcb.Parity = 2;
    gDevice->dcb.StopBits = 1;
    gDevice->dcb.fTXContinueOnXoff = 1;
    gDevice->dcb.fOutxCtsFlow = 1;
    gDevice->dcb.fOutxDsrFlow = 1;
    gDevice->dcb.fDsrSensitivity = 1;
    gDevice->dcb.fOutX = 1;
    gDevice->dcb.fInX = 1;
    gDevice->dcb.fErrorChar = 1;
    gDevice->dcb.fNull = 1;
    gDevice->dcb.fAbortOnError = 1;
    gDevice->dcb.XonLim = 11;
    gDevice->dcb.XoffLim = 22;
    gDevice->dcb.XonChar = 0x11;
    gDevice->dcb.XoffChar = 0x13;
    gDevice->dcb.ErrorChar = 0x3F;
    gDevice->dcb.EofChar = 0x1A;
    gDevice->dcb.EvtChar = 0x7E;
    gDevice->timeouts = {7, 8, 9, 10, 11};
    zid::SetSerialCalls(&kFakeCalls);
    return *gDevice;
}

void Uninstall() { zid::SetSerialCalls(nullptr); }

Device& Dev() { return *gDevice; }

}  // namespace fake
