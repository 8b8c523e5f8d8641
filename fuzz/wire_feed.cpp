#include "fuzz/wire_feed.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "panel/receiver.h"
#include "serial/serial_calls.h"
#endif

namespace zid::fuzz {
namespace {

const uint8_t* gData = nullptr;
size_t gSize = 0;
size_t gPos = 0;
ChannelContext* gContext = nullptr;
constexpr PortHandle kWirePort = 0x5A1D;

bool NextByte(uint8_t* byte) {
    if (gPos >= gSize) return false;
    *byte = gData[gPos++];
    return true;
}

[[noreturn]] void Misuse(const char* what) {
    std::fprintf(stderr, "wire feed: %s\n", what);
    std::abort();
}

#ifdef _WIN32
BOOL WINAPI WireReadFile(HANDLE h, LPVOID buffer, DWORD ask, LPDWORD got, LPOVERLAPPED) {
    if (FromWin32Handle(h) != kWirePort) Misuse("read from a port that is not the wire");
    if (ask != 1) Misuse("a framing read asked for more than one byte");
    *got = NextByte(static_cast<uint8_t*>(buffer)) ? 1 : 0;
    return TRUE;  // a read timeout: TRUE with nothing read
}
#else
bool ReadWire(ChannelContext* context, uint8_t* buffer, uint32_t count) {
    if (context != gContext || count != 1) Misuse("unexpected read of the wire");
    if (LoadPort(*context) != kWirePort) Misuse("port field changed");
    return NextByte(buffer);
}
#endif

}  // namespace

void InstallWireFeed(ChannelContext* context) {
    gContext = context;
    StorePort(*context, kWirePort);
#ifdef _WIN32
    static SerialCalls calls = kWin32SerialCalls;
    calls.ReadFile = WireReadFile;
    SetSerialCalls(&calls);
#endif
}

void FeedWire(const uint8_t* data, size_t size) {
    gData = data;
    gSize = size;
    gPos = 0;
}

size_t WirePosition() { return gPos; }

ReadBytesFn WireSource() {
#ifdef _WIN32
    return ReadPortByte;
#else
    return ReadWire;
#endif
}

}  // namespace zid::fuzz
