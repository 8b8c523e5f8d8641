// A fake serial device behind the serial call table. Every fake keeps WINAPI
// and counts its calls; any function can be made to fail its Nth call.
// Input arrives in scripted chunks: one ReadFile takes at most one chunk (or
// part of it), and an empty script makes a read time out with 0 bytes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace fake {

enum Fn {
    kCreateFile, kGetCommState, kSetCommState, kGetCommTimeouts, kSetCommTimeouts, kSetupComm,
    kClearCommError, kReadFile, kWriteFile, kSetCommBreak, kClearCommBreak, kCloseHandle, kSleep,
    kFnCount
};

struct Read {
    HANDLE handle;
    DWORD asked;
    DWORD delivered;
    DWORD timeoutMs;  // the device's total read timeout when the read ran
    bool ok;
};

struct Device {
    int calls[kFnCount] = {};
    int failAt[kFnCount] = {};       // fail the Nth call (1-based); 0: never
    bool failAlways[kFnCount] = {};  // fail every call
    int failFrom[kFnCount] = {};     // fail the Nth call and every later one; 0: never
    std::vector<Fn> order;           // every call, in order
    std::vector<HANDLE> handles;     // the handle of every call that takes one

    // The device's state.
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    DWORD inQueue = 0, outQueue = 0;
    bool breakOn = false;
    std::deque<std::string> arrivals;  // input, chunk by chunk
    DWORD writeAccepts = 0xFFFFFFFF;   // WriteFile moves at most this many
    std::string written;

    // Handles.
    std::vector<HANDLE> open;
    uintptr_t nextHandle = 0x100;
    std::string lastName;
    DWORD lastAccess = 0, lastShare = 1, lastDisposition = 0, lastAttributes = 0;

    std::vector<Read> reads;
    std::vector<DWORD> sleeps;
    std::vector<DWORD> timeoutsSet;  // ReadTotalTimeoutConstant of each SetCommTimeouts

    int Count(Fn fn) const { return calls[fn]; }
    DWORD Queued() const;
    bool IsOpen(HANDLE h) const;
};

// Installs the fake table over a fresh device; Uninstall restores kernel32.
Device& Install();
void Uninstall();
Device& Dev();

}  // namespace fake
