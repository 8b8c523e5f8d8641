// The host's client library QELMAR.dll, as the driver sees it.
//
// Every function is extern "C", __cdecl, undecorated. The driver links
// against an import library of QELMAR.dll, so the host's own library with
// these exports replaces the stand-in one without relinking.
//
// Statuses are 16-bit: 0 means success. Client ids are 8-bit, gate ids 32-bit.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// The 4-byte record QelGetGateRawValue fills. Bytes 0 and 1 belong to the
// host and are passed back untouched; the gate's 16-bit value sits at offset 2.
struct RawGateValue {
    uint8_t host[2];
    uint16_t value;
};

// The host's cooked form of a raw value; the driver only passes it through.
struct CookedValue {
    uint8_t bytes[8];
};

uint16_t QelMkClient(const char* name, int32_t one, int32_t zero, uint8_t* clientId);
void QelRmClient(uint8_t clientId);
uint16_t QelWaitMsg(uint8_t clientId, void* message /* 24 bytes */, int32_t one);
uint16_t QelGetGateIdByAddressStr(uint8_t clientId, uint8_t channel, const char* address,
                                  uint32_t* gateId);
uint16_t QelGetGateRawValue(uint8_t clientId, uint32_t gateId, RawGateValue* value,
                            int32_t zero);
uint16_t QelCook(uint8_t clientId, uint32_t gateId, RawGateValue value, CookedValue* cooked);
uint16_t QelPutGateVal(uint8_t clientId, uint32_t gateId, int32_t two, CookedValue value,
                       int32_t zero1, int32_t zero2);
void QelGetQelmarVer(uint8_t clientId, uint16_t* version, char* text /* 100 bytes */);
// The compiler checks each call's arguments against its format, also when
// the format is one of the named constants of host_abi/driver_log.h.
void err(int32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // extern "C"

static_assert(sizeof(RawGateValue) == 4);
static_assert(offsetof(RawGateValue, value) == 2);
static_assert(sizeof(CookedValue) == 8);

namespace zid {
// Every log line the driver writes goes out at this level.
inline constexpr int32_t kLogLevel = 32;
// Size of the message record QelWaitMsg fills.
inline constexpr int kWaitMessageSize = 24;
}  // namespace zid
