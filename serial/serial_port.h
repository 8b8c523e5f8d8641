// Serial port access: free functions over a Win32 communications handle.
// They keep no state, never log and never allocate; each returns a small
// result code (ComResult). The signatures use portable types so that their
// callers stay portable.
//
// Besides the port itself, the layer hands out the two other platform
// services a channel needs: its reader thread and sleeping. Everything here
// reaches Win32 through one table of calls that tests can replace
// (serial_calls.h).
#pragma once

#include <cstdint>

#include "host_abi/context.h"

namespace zid {

// Result codes of the layer.
enum ComResult : int32_t {
    kComOk = 0,
    // The device failed: it did not open, refused its timeouts, or a read
    // draining its input failed.
    kComDeviceFailed = 1,
    kComShortWrite = 2,         // fewer bytes written than asked
    kComStateQueryFailed = 4,   // the line state could not be read
    kComStateRefused = 5,       // the device refused the line state
    kComCallFailed = 7,         // a platform call failed, or a read got nothing
};

// The one value of the out handle that never names an open device.
inline constexpr PortHandle kInvalidPort = 0xFFFFFFFFu;

ComResult ComOpen(const char* name, const LineBlock* line, uint16_t lineFlags, PortHandle* out);
ComResult ComClose(PortHandle handle);
// Sets the port's total read timeout to tensOfMs tens of milliseconds. On
// kComOk, *previous (when given) receives the timeout it had, in whole tens
// of milliseconds; kComDeviceFailed when the port's timeouts could not be
// read or were refused, and *previous is then left alone.
ComResult ComSetReadTimeout(PortHandle handle, int32_t tensOfMs, int32_t* previous = nullptr);
ComResult ComPurgeInput(PortHandle handle);
ComResult ComSendBreak(uint32_t milliseconds, PortHandle handle);
ComResult ComWrite(PortHandle handle, const void* buffer, uint32_t count, uint32_t* written);
ComResult ComRead(PortHandle handle, void* buffer, uint32_t count, uint32_t* read);
ComResult ComSleep(uint32_t milliseconds);

// Looks at the port: the bytes waiting in its input queue go to *queued.
// kComCallFailed when the port does not answer (a closed or vanished port,
// a handle of 0); *queued is then 0, since the count is undefined and a port
// in an unknown state is better not read.
ComResult ComQueuedBytes(PortHandle handle, uint32_t* queued);

// A thread's routine, in the calling convention the platform starts threads
// with (the 32-bit Windows ABI calls it __stdcall).
#if defined(_WIN32) && defined(__i386__)
#define ZID_THREAD_CALL __attribute__((stdcall))
#else
#define ZID_THREAD_CALL
#endif
using ThreadRoutine = unsigned long(ZID_THREAD_CALL*)(void* argument);

// Starts routine(argument) on a thread of its own with a stack of stackSize
// bytes. Nothing waits for the thread. False when it could not be created.
bool ComStartThread(ThreadRoutine routine, void* argument, uint32_t stackSize);

}  // namespace zid
