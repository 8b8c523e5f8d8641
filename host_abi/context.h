// Records shared between the host and the driver, laid out byte for byte as
// the host builds and reads them. Offsets are checked below; the records that
// hold pointers are checked on the 32-bit target, where the ABI is defined.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace zid {

// A serial port handle as the context keeps it: 32 bits. Win32 handles are
// 32-bit values; 64-bit Windows keeps them within 32 significant bits too,
// so the same record works for the 64-bit test build.
using PortHandle = uint32_t;

inline constexpr int kAddressTableSize = 20000;
inline constexpr int kAddressSize = 32;        // 31 characters and the NUL
inline constexpr int kMessageBufferSize = 101;  // 100 characters and the NUL
inline constexpr int kMaxLineLength = 100;
inline constexpr int kPortNameSize = 12;        // 11 characters and the NUL

// The line block: four 16-bit line parameters that travel as one 8-byte
// unit between the host's records, the context and the serial layer.
struct LineBlock {
    uint16_t baud;      // widened to 32 bits by the serial layer
    uint16_t dataBits;  // low byte used
    uint16_t stopBits;  // low byte used: Win32 code, 0 = one stop bit
    uint16_t parity;    // low byte used: Win32 code, 0 = none
};
static_assert(sizeof(LineBlock) == 8);
static_assert(offsetof(LineBlock, dataBits) == 2);
static_assert(offsetof(LineBlock, stopBits) == 4);
static_assert(offsetof(LineBlock, parity) == 6);

// Port name and line parameters. Bytes 12..19 are the line block.
struct PortSettings {
    char name[kPortNameSize];
    LineBlock line;
    uint16_t lineFlags;
};
static_assert(sizeof(PortSettings) == 22);
static_assert(offsetof(PortSettings, line) == 12);
static_assert(offsetof(PortSettings, lineFlags) == 20);

// The four panel status words, each 0 or 1, written by the decoder only.
struct StatusWords {
    uint16_t T;  // 1 from a panel test's start to its end or a reset
    uint16_t F;  // 1 after a fault starts; 0 after any fault ends, or a reset
    uint16_t R;  // 1 after a reset, until the next fire or fault start
    uint16_t S;  // 1 after silencing, a fault's end or a reset; 0 after a fire or fault start
};
static_assert(sizeof(StatusWords) == 8);

// One channel's whole state. The host allocates it (zero-filled) with the
// size the driver reports, and passes it in every request.
//
// Shared between the host's thread and the channel's receiver thread, with
// no lock: status words, the address count and the port handle. Those are
// only touched through the accessors below (std::atomic_ref), which makes
// the lock-free sharing well-defined.
struct ChannelContext {
    uint32_t timeout;  // read timeout, tens of milliseconds
    int32_t enabled;
    PortHandle port;   // 0 when no port is open
    PortSettings settings;
    uint8_t clientId;
    StatusWords status;
    char addresses[kAddressTableSize][kAddressSize];
    uint32_t count;    // used entries of addresses
    uint8_t channel;
    char message[kMessageBufferSize];
    // The status word !C: 1 while the channel's port does not answer (the
    // receiver's last look at it failed, or the context held no port), 0
    // once a look succeeds. Written by the receiver thread at every poll, and
    // only there; it lives in the two bytes the record had spare, which the
    // host zero-fills.
    uint16_t portDown;
};
static_assert(offsetof(ChannelContext, timeout) == 0);
static_assert(offsetof(ChannelContext, enabled) == 4);
static_assert(offsetof(ChannelContext, port) == 8);
static_assert(offsetof(ChannelContext, settings) == 12);
static_assert(offsetof(ChannelContext, clientId) == 34);
static_assert(offsetof(ChannelContext, status) == 36);
static_assert(offsetof(ChannelContext, status) + offsetof(StatusWords, F) == 38);
static_assert(offsetof(ChannelContext, status) + offsetof(StatusWords, R) == 40);
static_assert(offsetof(ChannelContext, status) + offsetof(StatusWords, S) == 42);
static_assert(offsetof(ChannelContext, addresses) == 44);
static_assert(offsetof(ChannelContext, count) == 640044);
static_assert(offsetof(ChannelContext, channel) == 640048);
static_assert(offsetof(ChannelContext, message) == 640049);
static_assert(offsetof(ChannelContext, portDown) == 640150);
static_assert(offsetof(ChannelContext, portDown) % std::atomic_ref<uint16_t>::required_alignment == 0);
inline constexpr uint32_t kChannelContextSize = 640152;
static_assert(sizeof(ChannelContext) == kChannelContextSize);

// --- Shared-field accessors -------------------------------------------------
// Status words (the four panel words and portDown): single aligned 16-bit
// stores and loads. Relaxed is enough: a reader wants each word's latest
// value; the words carry no other data.
inline void StoreStatus(uint16_t& word, uint16_t value) {
    std::atomic_ref<uint16_t>(word).store(value, std::memory_order_relaxed);
}
inline uint16_t LoadStatus(uint16_t& word) {
    return std::atomic_ref<uint16_t>(word).load(std::memory_order_relaxed);
}

// Address count: the entry is written completely before the count is raised
// (release); the reset walk reads the count before each entry (acquire), so
// it only ever sees complete entries.
inline void PublishCount(ChannelContext& ctx, uint32_t value) {
    std::atomic_ref<uint32_t>(ctx.count).store(value, std::memory_order_release);
}
inline uint32_t AcquireCount(ChannelContext& ctx) {
    return std::atomic_ref<uint32_t>(ctx.count).load(std::memory_order_acquire);
}

// Port handle: the host thread opens, closes and swaps it while the receiver
// reads it afresh for every platform call.
inline void StorePort(ChannelContext& ctx, PortHandle handle) {
    std::atomic_ref<PortHandle>(ctx.port).store(handle, std::memory_order_release);
}
inline PortHandle LoadPort(ChannelContext& ctx) {
    return std::atomic_ref<PortHandle>(ctx.port).load(std::memory_order_acquire);
}

}  // namespace zid
