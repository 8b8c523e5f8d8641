// Every Win32 call of the serial layer, reached through one table of typed
// function pointers: the port calls, thread creation and Sleep. The table
// starts out pointing at the real kernel32 functions; tests install a table
// of fakes (which keep the WINAPI calling convention) to count calls, check
// arguments and fail the Nth call of any function.
//
// Install a table only while no other thread uses the layer: the table is a
// plain global, read without a lock on every call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "serial/serial_port.h"

namespace zid {

struct SerialCalls {
    HANDLE(WINAPI* CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* GetCommState)(HANDLE, LPDCB);
    BOOL(WINAPI* SetCommState)(HANDLE, LPDCB);
    BOOL(WINAPI* GetCommTimeouts)(HANDLE, LPCOMMTIMEOUTS);
    BOOL(WINAPI* SetCommTimeouts)(HANDLE, LPCOMMTIMEOUTS);
    BOOL(WINAPI* SetupComm)(HANDLE, DWORD, DWORD);
    BOOL(WINAPI* ClearCommError)(HANDLE, LPDWORD, LPCOMSTAT);
    BOOL(WINAPI* ReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* WriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* SetCommBreak)(HANDLE);
    BOOL(WINAPI* ClearCommBreak)(HANDLE);
    BOOL(WINAPI* CloseHandle)(HANDLE);
    HANDLE(WINAPI* CreateThread)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                 DWORD, LPDWORD);
    VOID(WINAPI* Sleep)(DWORD);
};

// The real kernel32 functions.
extern const SerialCalls kWin32SerialCalls;

// The table in use. Starts as kWin32SerialCalls.
const SerialCalls& SerialApi();

// Installs a table (copied); nullptr restores kWin32SerialCalls.
void SetSerialCalls(const SerialCalls* calls);

// A port handle as the context keeps it (32 bits) and as Win32 takes it.
// Handles are sign-extended, so INVALID_HANDLE_VALUE survives the round trip
// on 64-bit Windows: 0xFFFFFFFF <-> (HANDLE)-1.
inline HANDLE ToWin32Handle(PortHandle port) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(port)));
}
inline PortHandle FromWin32Handle(HANDLE handle) {
    return static_cast<PortHandle>(reinterpret_cast<uintptr_t>(handle));
}

// A ThreadRoutine is exactly what CreateThread starts.
static_assert(std::is_same_v<ThreadRoutine, LPTHREAD_START_ROUTINE>);

}  // namespace zid
