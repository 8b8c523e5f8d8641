// Native stand-ins for the Win32 layer, for test programs that pull in the
// whole command table on Linux. Each answers as a platform that has no
// serial device and no display would: opens fail, nothing starts, no
// address is composed.
#include "driver/handlers.h"
#include "panel/receiver.h"
#include "serial/serial_port.h"

namespace zid {

int32_t ComOpen(const char*, const LineBlock*, uint16_t, PortHandle* out) {
    *out = kInvalidPort;
    return kComOpenFailed;
}
int32_t ComClose(PortHandle) { return kComCallFailed; }
int32_t ComSetReadTimeout(PortHandle, int32_t) { return 0; }
int32_t ComPurgeInput(PortHandle) { return 0; }
int32_t ComSendBreak(uint32_t, PortHandle) { return kComOk; }
int32_t ComWrite(PortHandle, const void*, uint32_t, uint32_t*) { return kComCallFailed; }
int32_t ComRead(PortHandle, void*, uint32_t, uint32_t* read) {
    if (read) *read = 0;
    return kComCallFailed;
}
int32_t ComSleep(uint32_t) { return kComOk; }
bool StartReceiverThread(ChannelContext*) { return false; }
int32_t ComposeAddress(DriverRequest*) { return kNoAddressComposed; }

}  // namespace zid
