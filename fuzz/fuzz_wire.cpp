// Fuzz target: bytes on the wire -> line framing -> decoder -> host.
//
// Input layout: byte 0 picks host failures (bit 0: the lookup of one
// registered gate fails, bit 1: writes of another fail, bit 2: the address
// table is empty); the rest is what the panel sends. The harness plays the
// receiver thread's loop: while bytes are queued, frame one line and decode
// it when it was accepted, then zero the buffer. A reference framing model
// runs beside it and every outcome is compared, so a wrong line is reported
// as well as a crash. Afterwards every gate may only hold the fire and fault
// bits and every status word is 0 or 1.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/wire_feed.h"
#include "host_abi/context.h"
#include "panel/decoder.h"
#include "panel/framing.h"
#include "standin/qelmar_sim.h"

namespace {

constexpr uint8_t kClient = 9;
constexpr uint8_t kChannel = 4;

// Registered gates (the address table) and gates the host merely knows.
constexpr const char* kRegistered[] = {"120000", "031200", "000007", "010100",
                                       "000012", "124012", "000000", "050000"};
constexpr const char* kKnownOnly[] = {"0000", "00001", "110000", "000005"};
constexpr int kRegisteredCount = sizeof kRegistered / sizeof kRegistered[0];
constexpr int kGateCount = kRegisteredCount + sizeof kKnownOnly / sizeof kKnownOnly[0];

zid::ChannelContext* gContext = nullptr;
uint32_t gGateIds[kGateCount];

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_wire: %s\n", what);
    std::abort();
}

void Setup() {
    QelSimReset();
    QelSimSetLogEcho(0);
    QelSimSetTickPeriod(0);
    gContext = static_cast<zid::ChannelContext*>(std::calloc(1, sizeof(zid::ChannelContext)));
    gContext->clientId = kClient;
    gContext->channel = kChannel;
    int g = 0;
    for (const char* a : kRegistered) gGateIds[g++] = QelSimDefineGate(kChannel, a);
    for (const char* a : kKnownOnly) gGateIds[g++] = QelSimDefineGate(kChannel, a);
    zid::fuzz::InstallWireFeed(gContext);
}

// What ReadPanelLine must do with the bytes from pos on: the reference.
struct Expected {
    bool accepted;
    char line[zid::kMaxLineLength + 1];
    size_t consumed;  // bytes taken from the wire
};

Expected Frame(const uint8_t* wire, size_t size, size_t pos) {
    Expected e{};
    size_t n = 0;
    size_t empties = 0;
    size_t p = pos;
    for (;;) {
        if (p >= size) {  // the wire is silent: every read comes back empty
            ++empties;
            if (n == size_t(zid::kMaxLineLength) ||
                empties > size_t(zid::kMaxEmptyReadsInLine)) break;
            continue;
        }
        const uint8_t b = wire[p++];
        if (b == 0) {
            e.accepted = n > 0;
            break;
        }
        if (b == '\r' || b == '\n') continue;
        if (n == size_t(zid::kMaxLineLength)) break;  // the 101st character
        e.line[n++] = static_cast<char>(b);
    }
    e.consumed = p - pos;
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (gContext == nullptr) Setup();
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const uint8_t* wire = data + 1;
    const size_t wireSize = size - 1;

    zid::ChannelContext& ctx = *gContext;
    QelSimCallLogClear();
    for (uint32_t id : gGateIds) QelSimWriteGateById(id, RawGateValue{});
    QelSimFailLookup(kRegistered[1], flags & 1);
    QelSimFailWrite(kRegistered[2], (flags >> 1) & 1);
    if (flags & 4) {
        zid::PublishCount(ctx, 0);
    } else {
        for (int i = 0; i < kRegisteredCount; ++i) std::strcpy(ctx.addresses[i], kRegistered[i]);
        zid::PublishCount(ctx, kRegisteredCount);
    }
    std::memset(&ctx.status, 0, sizeof ctx.status);
    std::memset(ctx.message, 0, sizeof ctx.message);

    zid::fuzz::FeedWire(wire, wireSize);
    size_t pos = 0;
    while (pos < wireSize) {  // the thread reads only while bytes are queued
        const Expected e = Frame(wire, wireSize, pos);
        const bool accepted = zid::ReadPanelLine(&ctx, zid::fuzz::WireSource());
        if (accepted != e.accepted) Fail("framing result differs from the reference");
        if (zid::fuzz::WirePosition() - pos != e.consumed) Fail("framing consumed a wrong count");
        pos = zid::fuzz::WirePosition();
        if (ctx.message[zid::kMaxLineLength] != '\0') Fail("byte 100 of the buffer is not NUL");
        if (accepted) {
            if (std::strcmp(ctx.message, e.line) != 0) Fail("framed line differs");
            zid::DecodePanelMessage(&ctx);
        }
        std::memset(ctx.message, 0, zid::kMaxLineLength);
    }

    const zid::StatusWords& s = ctx.status;
    if (s.T > 1 || s.F > 1 || s.R > 1 || s.S > 1) Fail("a status word is neither 0 nor 1");
    for (uint32_t id : gGateIds) {
        RawGateValue raw{};
        if (QelSimReadGateById(id, &raw) != 0) Fail("a gate vanished");
        if (raw.value & ~0x3u) Fail("a gate holds a bit other than fire and fault");
    }
    return 0;
}
