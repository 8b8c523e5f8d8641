// Stepping the receiver thread through the stand-in host: the host ticks only
// on demand, and the call log tells when the thread has come back to wait.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "standin/qelmar_sim.h"
#include "tests/support/call_log.h"

namespace steps {

using zid::sim::CallLog;

// The log lines since the call log was last cleared, in order.
inline std::vector<std::string> Logs() { return zid::sim::LogLines(); }

inline int Count(int32_t kind) {
    int n = 0;
    for (const QelSimCall& c : CallLog()) n += c.kind == kind;
    return n;
}

template <class Pred>
bool WaitUntil(Pred pred, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!pred()) {
        if (GetTickCount64() > end) return false;
        Sleep(1);
    }
    return true;
}

// True once the thread waits in QelWaitMsg again after `before` wait calls.
inline bool BackToWaiting(uint8_t client, int before, DWORD ms = 15000) {
    return WaitUntil([&] { return Count(kCallWaitMsg) > before && QelSimWaiting(client) == 1; }, ms);
}

// One tick, without waiting for the thread to finish its poll.
inline int Tick(uint8_t client) {
    if (!WaitUntil([&] { return QelSimWaiting(client) == 1; }, 15000)) return -1;
    const int before = Count(kCallWaitMsg);
    QelSimTick(client);
    return before;
}

// One whole poll: a tick, then the thread back in QelWaitMsg.
inline bool Poll(uint8_t client) {
    const int before = Tick(client);
    return before >= 0 && BackToWaiting(client, before);
}

inline uint8_t MakeClient(const char* name) {
    uint8_t id = 0;
    return QelMkClient(name, 1, 0, &id) == 0 ? id : 0;
}

inline const std::string kIllegal = "SulVOR : Got Illegal length Msg";
inline const std::string kStart = "SulVOR : Start Unsolicited Thread";
inline const std::string kShutDown = "SulVOR : ShutDown !";

}  // namespace steps
