// Control interface of the stand-in host library: extra exports of our own
// QELMAR.dll (and of the native static library) for tests and tools. A real
// host's library does not have these; the driver never calls them.
//
// All functions are extern "C", __cdecl, thread-safe.
#pragma once

#include <cstdint>

#include "host_abi/qelmar.h"

extern "C" {

// Status values the stand-in returns (0 is success everywhere).
enum QelSimStatus : uint16_t {
    kQelSimOk = 0,
    kQelSimNoSuchGate = 2,     // lookup of an undefined address, or unknown id
    kQelSimBadCookedValue = 3, // put of a value that QelCook did not make
    kQelSimInjectedFailure = 4,
    kQelSimNoSuchClient = 5,
    kQelSimMkClientFailed = 6,
};

// Forgets clients, gates, failures, the call log and settings.
void QelSimReset(void);

// --- Gates: one database per channel, address text -> id -> raw value -------
// Defines the gate (or finds it) and returns its id (never 0).
uint32_t QelSimDefineGate(uint8_t channel, const char* address);
// Reads a gate by channel and address; non-zero when undefined.
uint16_t QelSimReadGate(uint8_t channel, const char* address, RawGateValue* value);
// Reads / writes a gate by id; non-zero when unknown.
uint16_t QelSimReadGateById(uint32_t gateId, RawGateValue* value);
uint16_t QelSimWriteGateById(uint32_t gateId, RawGateValue value);

// --- Failure injection ------------------------------------------------------
// While set, lookups (writes) of this address on any channel fail.
void QelSimFailLookup(const char* address, int32_t fail);
void QelSimFailWrite(const char* address, int32_t fail);
// While set, QelMkClient fails with kQelSimMkClientFailed.
void QelSimFailMkClient(int32_t fail);
// The version QelGetQelmarVer reports (820 by default).
void QelSimSetVersion(uint16_t version);

// --- Clients and the host's tick -------------------------------------------
// QelWaitMsg blocks until the next tick of its client and returns 1; it
// returns 0 once the client has been shut down. With a period > 0 a
// background ticker ticks every client that often (default 50 ms); with 0
// ticks come only from QelSimTick.
void QelSimSetTickPeriod(uint32_t milliseconds);
// Ticks one client, or every client when clientId is 0.
void QelSimTick(uint8_t clientId);
// Makes the client's current and future QelWaitMsg calls return 0.
void QelSimShutdownClient(uint8_t clientId);
// Finds a live client by name; 0 when there is none.
uint8_t QelSimFindClient(const char* name);
// Number of QelWaitMsg calls of the client now blocked waiting (0 or 1).
int32_t QelSimWaiting(uint8_t clientId);
// The client whose QelWaitMsg the calling thread last called; 0 when it
// never called it. A log sink runs on the thread that logged, so this tells
// it which channel's receiver thread wrote the line.
uint8_t QelSimCallerClient(void);

// --- Call log: every call received -----------------------------------------
enum QelSimCallKind : int32_t {
    kCallMkClient = 1,
    kCallRmClient,
    kCallWaitMsg,
    kCallGetGateId,
    kCallGetRaw,
    kCallCook,
    kCallPutGateVal,
    kCallGetVersion,
    kCallErr,
};

struct QelSimCall {
    int32_t kind;          // QelSimCallKind
    uint8_t clientId;
    uint8_t channel;       // lookups
    uint16_t status;       // what the call returned (0 for void calls)
    uint32_t gateId;
    int32_t args[3];       // the constant arguments, in order (1/0, 2/0/0, level...)
    RawGateValue raw;      // raw value read, or handed to QelCook
    CookedValue cooked;    // cooked value produced, or handed to QelPutGateVal
    char text[192];        // client name, address, or the formatted log line
};

// Entries are numbered from 0 since the last reset or clear; the call log
// keeps the newest 65536. Get returns non-zero for an index no longer kept.
uint32_t QelSimCallLogCount(void);
uint16_t QelSimCallLogGet(uint32_t index, QelSimCall* call);
void QelSimCallLogClear(void);

// --- Log output ---------------------------------------------------------------
// err() lines are timestamped and written to stderr (unless echo is off),
// to the log file if one is set, and to the sink if one is set.
void QelSimSetLogEcho(int32_t on);
uint16_t QelSimSetLogFile(const char* path);  // NULL closes it
typedef void (*QelSimLogSink)(const char* line, void* user);
void QelSimSetLogSink(QelSimLogSink sink, void* user);

// Called after every stored gate value change (QelPutGateVal or a write by
// id), outside the library's lock.
typedef void (*QelSimGateSink)(uint8_t channel, const char* address, uint16_t oldValue,
                               uint16_t newValue, void* user);
void QelSimSetGateSink(QelSimGateSink sink, void* user);

}  // extern "C"
