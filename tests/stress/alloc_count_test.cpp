// Heap allocations made by the driver's own code: none. The portable core
// runs its whole receive path (framing, decoding, gate updates, the reset
// walk over a full table) and the host's commands 3 and 5 and the arrow step,
// against an allocation-free fake host defined here, while an allocation hook
// of the sanitizer runtime counts every malloc and operator new in the
// process. A planted allocation shows that the hook counts.
//
// Prints "heap allocations by the driver's own code: N" (bench.sh reads it).
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "address/address.h"
#include "address/spin.h"
#include "host_abi/context.h"
#include "host_abi/qelmar.h"
#include "host_abi/requests.h"
#include "panel/decoder.h"
#include "panel/framing.h"

// From the sanitizer runtime (its header is not shipped with every compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, size_t), void (*free_hook)(const volatile void*));

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void OnMalloc(const volatile void*, size_t) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1);
}
void OnFree(const volatile void*) {}

// The wire the framing reads from.
const char* gWire = nullptr;
size_t gWireSize = 0, gWirePos = 0;

// The fake host: gate ids are the index of the address in a fixed list
// (plus one); values in a fixed array.
constexpr int kGates = 64;
char gAddresses[kGates][8];
uint16_t gValues[kGates];
int gGateCount = 0;
long gLogLines = 0;
char gLastLog[256];

int FindGate(const char* address) {
    for (int i = 0; i < gGateCount; ++i)
        if (std::strcmp(gAddresses[i], address) == 0) return i;
    return -1;
}

}  // namespace

extern "C" {
uint16_t QelMkClient(const char*, int32_t, int32_t, uint8_t* clientId) {
    *clientId = 1;
    return 0;
}
void QelRmClient(uint8_t) {}
uint16_t QelWaitMsg(uint8_t, void*, int32_t) { return 0; }
uint16_t QelGetGateIdByAddressStr(uint8_t, uint8_t, const char* address, uint32_t* gateId) {
    const int i = FindGate(address);
    if (i < 0) return 2;
    *gateId = uint32_t(i + 1);
    return 0;
}
uint16_t QelGetGateRawValue(uint8_t, uint32_t gateId, RawGateValue* value, int32_t) {
    if (gateId == 0 || gateId > uint32_t(gGateCount)) return 2;
    value->value = gValues[gateId - 1];
    return 0;
}
uint16_t QelCook(uint8_t, uint32_t, RawGateValue value, CookedValue* cooked) {
    std::memcpy(cooked->bytes, &value, sizeof value);
    return 0;
}
uint16_t QelPutGateVal(uint8_t, uint32_t gateId, int32_t, CookedValue value, int32_t, int32_t) {
    if (gateId == 0 || gateId > uint32_t(gGateCount)) return 2;
    RawGateValue raw;
    std::memcpy(&raw, value.bytes, sizeof raw);
    gValues[gateId - 1] = raw.value;
    return 0;
}
void QelGetQelmarVer(uint8_t, uint16_t* version, char*) { *version = 820; }
void err(int32_t, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(gLastLog, sizeof gLastLog, format, args);
    va_end(args);
    ++gLogLines;
}
}  // extern "C"

namespace {
bool WireBytes(zid::ChannelContext* context, uint8_t* buffer, uint32_t count) {
    (void)zid::LoadPort(*context);
    if (count != 1 || gWirePos >= gWireSize) return false;
    *buffer = static_cast<uint8_t>(gWire[gWirePos++]);
    return true;
}
}  // namespace

int main() {
    if (__sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) == 0) {
        std::fprintf(stderr, "no allocation hook in this build (needs a sanitizer runtime)\n");
        return 77;
    }
    auto* ctx = static_cast<zid::ChannelContext*>(std::calloc(1, sizeof(zid::ChannelContext)));
    ctx->clientId = 1;
    ctx->channel = 1;
    for (const char* a : {"031200", "000007", "120000", "0000", "010100"}) {
        std::snprintf(gAddresses[gGateCount++], sizeof gAddresses[0], "%s", a);
    }
    // Every event as the panel prints it (code page 862), then garbage.
    static const char kWire[] =
        "\r\n>>EVT: 10:15:30 ZID-12       12 \x89\x80\x8C\x82 03 \x85\x97\x20\x3A\x99\x80\0"
        ">>EVT: 10:15:30 ZID-12       07 \x98\x85\x86\x80\x81\x20\x99\x80\0"
        ">>EVT: 10:15:30 ZID-12       07 \x98\x85\x86\x80\x81\x20\x84\x8C\x97\x9A\0"
        ">>END: 10:15:30 ZID-12       12 \x89\x80\x8C\x82 03 \x85\x97\x20\x3A\x84\x8C\x97\x9A\x20\x8D\x85\x89\x91\0"
        ">>EVT: 10:15:30 ZID-12           07 \x98\x85\x86\x80\x20\x84\x8C\x97\x9A\x20\x8D\x85\x89\x91\0"
        ">>EVT: 10:15:30 ZID-12       \x87\x9A\x8E\x20\x9A\x8C\x97\x9A\0"
        ">>EVT: 10:15:30 ZID-12       \x87\x9A\x8E\x20\x9A\x8C\x97\x9A\x20\x8D\x85\x89\x91\0"
        ">>EVT: 10:15:30 ZID-12       \x98\x94\x85\x96\x20\x9A\x97\x9A\x99\x84\0"
        ">>EVT: 10:15:30 ZID-12       \x88\x91\x88\0"
        ">>EVT: 10:15:30 ZID-12       \x88\x91\x88\x20\x8D\x85\x89\x91\0"
        ">>EVT: 10:15:30 ZID-12 RESET\0"
        "\0\r\n\0"
        "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789XYZ\0";
    const char* addresses[] = {"120000", "031200", "000007", "!t", "!A", "130000", "1a4000", "ab{",
                               "0123456789012345678901234567890123456789", "010100"};

    long accepted = 0, lines = 0;
    gCounting = true;
    for (int round = 0; round < 200; ++round) {
        // Host thread: registrations (the table fills up and then refuses).
        for (const char* a : addresses) {
            char text[64];
            std::snprintf(text, sizeof text, "%s", a);
            zid::TagAddressArgs args{};
            args.address = text;
            DriverRequest request{ctx, zid::CodeOf(zid::Command::kValidateAddress), 1, 0, &args};
            zid::ValidateAddress(&request);
        }
        using zid::PointType;
        for (uint32_t type : {0u, uint32_t(PointType::kStatusT), uint32_t(PointType::kStatusF),
                              uint32_t(PointType::kStatusR), uint32_t(PointType::kStatusS),
                              uint32_t(PointType::kStatusC), 99u}) {
            zid::PointValue value{};
            zid::PointReadArgs read{};
            read.pointType = type;
            read.gateId = 1;
            read.valueOut = &value;
            DriverRequest request{ctx, zid::CodeOf(zid::Command::kReadPoint), 1, 0, &read};
            zid::ReadPoint(&request);
        }
        int32_t value = 0;
        zid::StepSpinField("ab", &value, 0, 12, 0);
        zid::StepSpinField("123", &value, 0, 40, 1);
        // Receiver thread: every line of the wire, as the thread handles it.
        gWire = kWire;
        gWireSize = sizeof kWire - 1;
        gWirePos = 0;
        while (gWirePos < gWireSize) {
            ++lines;
            if (zid::ReadPanelLine(ctx, WireBytes)) {
                ++accepted;
                zid::DecodePanelMessage(ctx);
            }
            std::memset(ctx->message, 0, zid::kMaxLineLength);
        }
    }
    gCounting = false;
    const long driverAllocations = gAllocations.load();
    const uint32_t registered = zid::AcquireCount(*ctx);

    // The hook counts: one planted allocation is seen.
    gCounting = true;
    void* volatile planted = std::malloc(16);
    gCounting = false;
    std::free(planted);
    const bool hookWorks = gAllocations.load() == driverAllocations + 1;

    std::printf("%ld lines framed (%ld decoded), %u addresses registered, %ld log lines\n", lines,
                accepted, registered, gLogLines);
    std::printf("heap allocations by the driver's own code: %ld\n", driverAllocations);
    std::free(ctx);
    if (!hookWorks) {
        std::fprintf(stderr, "the allocation hook did not count a planted allocation\n");
        return 1;
    }
    if (accepted < 2000 || registered != 800) {
        std::fprintf(stderr, "the driver did less work than expected\n");
        return 1;
    }
    return driverAllocations == 0 ? 0 : 1;
}
