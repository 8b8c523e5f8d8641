// Tunables and test seams of the receiver thread and its line framing.
#pragma once

#include <cstdint>

namespace zid {

// How many reads in a row may come back empty while a line is open (fewer
// than 100 characters stored) before ReadPanelLine gives the line up. Each
// empty read lasts one read timeout of the port (40 ms with the default
// channel timeout, 1000 ms after a plain re-open), so a line survives a
// pause of five timeouts (200 ms by default); on a port whose reads fail at
// once (closed by the host) the line ends after six immediate failures.
inline constexpr int kMaxEmptyReadsInLine = 5;

// The receiver thread's stack, in bytes.
inline constexpr uint32_t kReceiverStackSize = 32768;

}  // namespace zid

#ifdef _WIN32
#include <windows.h>

namespace zid {

// How StartReceiverThread creates the thread. Defaults to ::CreateThread; a
// test may point it at a fake (keeping WINAPI) that fails, records the stack
// size, or passes on to the real function. Replace it only while no channel
// is being started.
using CreateThreadFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE,
                                       LPVOID, DWORD, LPDWORD);
extern CreateThreadFn gCreateReceiverThread;

}  // namespace zid
#endif
