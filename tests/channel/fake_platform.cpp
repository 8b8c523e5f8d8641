#include "tests/channel/fake_platform.h"

#include <cstdarg>
#include <cstdio>

#include "host_abi/qelmar.h"
#include "serial/serial_port.h"

namespace fake {

World& world() {
    static World w;
    return w;
}

void Reset() { world() = World{}; }

std::vector<std::string> Kinds() {
    std::vector<std::string> out;
    for (const Call& c : world().calls) out.push_back(c.what);
    return out;
}

}  // namespace fake

namespace zid {

ComResult ComOpen(const char* name, const LineBlock* line, uint16_t lineFlags, PortHandle* out) {
    fake::Call c{"open", name};
    c.line = *line;
    c.lineFlags = lineFlags;
    fake::world().calls.push_back(c);
    auto it = fake::world().devices.find(name);
    if (it == fake::world().devices.end()) {
        *out = kInvalidPort;
        return kComDeviceFailed;
    }
    *out = it->second;
    return kComOk;
}

ComResult ComClose(PortHandle handle) {
    fake::Call c{"close", ""};
    c.port = handle;
    fake::world().calls.push_back(c);
    return fake::world().closeFails ? kComCallFailed : kComOk;
}

ComResult ComSetReadTimeout(PortHandle handle, int32_t tensOfMs, int32_t* previous) {
    fake::Call c{"timeout", ""};
    c.port = handle;
    c.value = tensOfMs;
    fake::world().calls.push_back(c);
    if (previous) *previous = 100;
    return kComOk;
}

ComResult ComPurgeInput(PortHandle handle) {
    fake::Call c{"purge", ""};
    c.port = handle;
    fake::world().calls.push_back(c);
    return fake::world().purgeFails ? kComCallFailed : kComOk;
}

// The receiver thread is started for real up to here; the thread itself
// never runs, so the calls it would make answer as an idle port.
ComResult ComRead(PortHandle, void*, uint32_t, uint32_t* read) {
    if (read) *read = 0;
    return kComCallFailed;
}
ComResult ComSleep(uint32_t) { return kComOk; }
ComResult ComQueuedBytes(PortHandle, uint32_t* queued) {
    *queued = 0;
    return kComOk;
}

bool ComStartThread(ThreadRoutine, void* argument, uint32_t stackSize) {
    const auto* context = static_cast<const ChannelContext*>(argument);
    fake::Call c{"thread", ""};
    c.countAtCall = context->count;
    c.port = context->port;
    c.value = static_cast<int32_t>(stackSize);
    fake::world().calls.push_back(c);
    return fake::world().threadStarts;
}

}  // namespace zid

extern "C" uint16_t QelMkClient(const char* name, int32_t one, int32_t zero, uint8_t* clientId) {
    fake::Call c{"client", name};
    c.args[0] = one;
    c.args[1] = zero;
    fake::world().calls.push_back(c);
    if (fake::world().clientStatus == 0) *clientId = fake::world().clientId;
    return fake::world().clientStatus;
}

extern "C" void err(int32_t level, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fake::world().log.push_back(std::to_string(level) + "|" + line);
}

// The rest of the host library: the receiver thread and the decoder call
// these, and neither ever runs here.
extern "C" {
void QelRmClient(uint8_t) {}
uint16_t QelWaitMsg(uint8_t, void*, int32_t) { return 0; }
uint16_t QelGetGateIdByAddressStr(uint8_t, uint8_t, const char*, uint32_t*) { return 2; }
uint16_t QelGetGateRawValue(uint8_t, uint32_t, RawGateValue*, int32_t) { return 2; }
uint16_t QelCook(uint8_t, uint32_t, RawGateValue, CookedValue*) { return 2; }
uint16_t QelPutGateVal(uint8_t, uint32_t, int32_t, CookedValue, int32_t, int32_t) { return 2; }
void QelGetQelmarVer(uint8_t, uint16_t* version, char*) { *version = 0; }
}
