// Serial port access: eight free functions over a Win32 communications
// handle. They keep no state, never log and never allocate; each returns a
// small result code (ComSetReadTimeout: the previous timeout instead).
// The signatures use portable types so that callers stay portable.
#pragma once

#include <cstdint>

#include "driver/context.h"

namespace zid {

enum ComResult : int32_t {
    kComOk = 0,
    kComOpenFailed = 1,         // device did not open, or refused its timeouts
    kComShortWrite = 2,
    kComStateQueryFailed = 4,
    kComStateRefused = 5,
    kComCallFailed = 7,         // a platform call failed, or a read got nothing
};

// The one value of the out handle that never names an open device.
inline constexpr PortHandle kInvalidPort = 0xFFFFFFFFu;

int32_t ComOpen(const char* name, const LineBlock* line, uint16_t lineFlags, PortHandle* out);
int32_t ComClose(PortHandle handle);
int32_t ComSetReadTimeout(PortHandle handle, int32_t tensOfMs);
int32_t ComPurgeInput(PortHandle handle);
int32_t ComSendBreak(uint32_t milliseconds, PortHandle handle);
int32_t ComWrite(PortHandle handle, const void* buffer, uint32_t count, uint32_t* written);
int32_t ComRead(PortHandle handle, void* buffer, uint32_t count, uint32_t* read);
int32_t ComSleep(uint32_t milliseconds);

}  // namespace zid
