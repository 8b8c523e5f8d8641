// The serial layer of a machine with no serial devices, for test programs
// that link the whole driver natively. The layer's seam is a table of Win32
// calls, which Linux does not have; so natively it is replaced here, at link
// time: opens fail, nothing starts, reads get nothing.
#include "serial/serial_port.h"

namespace zid {

ComResult ComOpen(const char*, const LineBlock*, uint16_t, PortHandle* out) {
    *out = kInvalidPort;
    return kComDeviceFailed;
}
ComResult ComClose(PortHandle) { return kComCallFailed; }
ComResult ComSetReadTimeout(PortHandle, int32_t, int32_t*) { return kComDeviceFailed; }
ComResult ComPurgeInput(PortHandle) { return kComOk; }
ComResult ComSendBreak(uint32_t, PortHandle) { return kComOk; }
ComResult ComWrite(PortHandle, const void*, uint32_t, uint32_t*) { return kComCallFailed; }
ComResult ComRead(PortHandle, void*, uint32_t, uint32_t* read) {
    if (read) *read = 0;
    return kComCallFailed;
}
ComResult ComSleep(uint32_t) { return kComOk; }
ComResult ComQueuedBytes(PortHandle, uint32_t* queued) {
    *queued = 0;
    return kComCallFailed;
}
bool ComStartThread(ThreadRoutine, void*, uint32_t) { return false; }

}  // namespace zid
