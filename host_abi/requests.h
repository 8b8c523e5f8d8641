// The request record SulMain receives and the argument records of the
// commands. Built by the host; laid out as the 32-bit host builds them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_abi/context.h"

extern "C" {

struct DriverRequest {
    void* context;    // the channel's ChannelContext
    int32_t command;  // 1..16
    int32_t channel;  // low byte kept in the context; printed with %.2d
    int32_t unused;
    void* argument;   // the command's argument record
};

}  // extern "C"

namespace zid {

// Command 14.
struct DriverInfo {
    int32_t driverCode;        // 82
    const char* name;          // "ZID-12 Fire Detection"
    const char* banner;        // installation banner, code page 437
    uint32_t contextSize;      // 640152
    int32_t timeout;           // default read timeout, tens of ms
    LineBlock line;            // default line parameters
    uint32_t lastParameter;    // 0x00150020, passed through
};

// Command 1.
struct PortParams {
    char name[kPortNameSize];
    int32_t enabled;
    int32_t timeout;           // tens of ms
    LineBlock line;
    uint32_t unused;
};
static_assert(sizeof(PortParams) == 32);
static_assert(offsetof(PortParams, enabled) == 12);
static_assert(offsetof(PortParams, timeout) == 16);
static_assert(offsetof(PortParams, line) == 20);

// Command 15. The line parameters sit 4 bytes earlier than in PortParams.
struct PortChangeArgs {
    char name[16];
    LineBlock line;            // baud 0 (read as signed 16-bit): keep the stored ones
};
static_assert(sizeof(PortChangeArgs) == 24);
static_assert(offsetof(PortChangeArgs, line) == 16);

// Command 3.
struct TagAddressArgs {
    char* address;             // NUL-terminated; overwritten upper-cased
    uint8_t untouched1[12];
    uint32_t field16;          // 0 when accepted
    int32_t pointType;         // status letter code or 0
    uint8_t untouched2[4];
    uint32_t field28;          // 255 when accepted
    uint32_t field32;          // 16 when accepted
};

// Command 5.
struct PointValue {
    uint8_t host[2];           // not touched
    uint16_t value;
};
static_assert(sizeof(PointValue) == 4);
static_assert(offsetof(PointValue, value) == 2);

struct PointReadArgs {
    uint8_t untouched1[12];
    uint32_t pointType;        // 0 gate; 67 C, 70 F, 82 R, 83 S, 84 T
    uint8_t untouched2[20];
    uint32_t gateId;
    PointValue* valueOut;
};

// Command 16.
struct AddressDialogArgs {
    char* outputBuffer;        // at least 13 bytes
    void* ownerWindow;         // HWND; used from host version 820 on
};

#if UINTPTR_MAX == 0xFFFFFFFFu
// The ABI of the 32-bit driver: every offset as the host lays it out.
static_assert(sizeof(DriverRequest) == 20);
static_assert(offsetof(DriverRequest, command) == 4);
static_assert(offsetof(DriverRequest, channel) == 8);
static_assert(offsetof(DriverRequest, argument) == 16);
static_assert(sizeof(DriverInfo) == 32);
static_assert(offsetof(DriverInfo, name) == 4);
static_assert(offsetof(DriverInfo, banner) == 8);
static_assert(offsetof(DriverInfo, contextSize) == 12);
static_assert(offsetof(DriverInfo, timeout) == 16);
static_assert(offsetof(DriverInfo, line) == 20);
static_assert(offsetof(DriverInfo, lastParameter) == 28);
static_assert(sizeof(TagAddressArgs) == 36);
static_assert(offsetof(TagAddressArgs, field16) == 16);
static_assert(offsetof(TagAddressArgs, pointType) == 20);
static_assert(offsetof(TagAddressArgs, field28) == 28);
static_assert(offsetof(TagAddressArgs, field32) == 32);
static_assert(sizeof(PointReadArgs) == 44);
static_assert(offsetof(PointReadArgs, pointType) == 12);
static_assert(offsetof(PointReadArgs, gateId) == 36);
static_assert(offsetof(PointReadArgs, valueOut) == 40);
static_assert(sizeof(AddressDialogArgs) == 8);
static_assert(offsetof(AddressDialogArgs, ownerWindow) == 4);
#endif

}  // namespace zid
