// The stand-in host library: a small, real QELMAR.dll for tests, tools and
// the demo. It keeps named clients, a gate database per channel, the host's
// tick that paces QelWaitMsg, a log of every call, and the log lines.
//
// Cooked values. QelCook turns a 4-byte raw value into 8 bytes:
//   [0] 'Q'  [1] 'K'  [2] host byte 0  [3] host byte 1
//   [4] value, low byte  [5] value, high byte  [6] 0  [7] sum of bytes 0..6
// QelPutGateVal accepts exactly that form, or 8 zero bytes (value 0, host
// bytes kept); anything else is refused with kQelSimBadCookedValue, so a
// driver that hands over uncooked or corrupted bytes is caught.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standin/qelmar_sim.h"

namespace {

constexpr uint32_t kCallLogCapacity = 65536;
constexpr uint16_t kDefaultVersion = 820;
constexpr uint32_t kDefaultTickMs = 50;

struct Client {
    std::string name;
    uint64_t ticks = 0;     // ticks delivered so far
    uint64_t consumed = 0;  // ticks QelWaitMsg has returned for
    bool shutdown = false;
    bool live = false;
    int32_t waiting = 0;
};

struct Gate {
    uint8_t channel;
    std::string address;
    RawGateValue raw;
};

struct State {
    std::mutex lock;
    std::condition_variable tick;
    Client clients[256];  // id 0 is never handed out
    std::vector<Gate> gates;  // gate id = index + 1
    std::map<std::pair<uint8_t, std::string>, uint32_t> byAddress;
    std::vector<std::string> failLookup, failWrite;
    bool failMkClient = false;
    uint16_t version = kDefaultVersion;
    uint32_t tickMs = kDefaultTickMs;
    bool tickerStarted = false;
    std::vector<QelSimCall> callLog = std::vector<QelSimCall>(kCallLogCapacity);
    uint32_t callLogCount = 0;
    bool echo = true;
    FILE* logFile = nullptr;
    QelSimLogSink logSink = nullptr;
    void* logUser = nullptr;
    QelSimGateSink gateSink = nullptr;
    void* gateUser = nullptr;
};

// Never destroyed: the ticker thread and blocked waiters may outlive static
// destruction at process exit.
State& S() {
    static State* state = new State;
    return *state;
}

void CopyText(char* dst, size_t size, const char* src) {
    if (src == nullptr) src = "";
    size_t n = strnlen(src, size - 1);
    memcpy(dst, src, n);
    dst[n] = 0;
}

// Called with the lock held.
QelSimCall& Record(State& s, int32_t kind, uint8_t clientId) {
    QelSimCall& call = s.callLog[s.callLogCount % kCallLogCapacity];
    call = QelSimCall{};
    call.kind = kind;
    call.clientId = clientId;
    ++s.callLogCount;
    return call;
}

bool Listed(const std::vector<std::string>& list, const std::string& address) {
    return std::find(list.begin(), list.end(), address) != list.end();
}

void SetListed(std::vector<std::string>& list, const char* address, int32_t on) {
    std::string a = address ? address : "";
    list.erase(std::remove(list.begin(), list.end(), a), list.end());
    if (on) list.push_back(a);
}

void TickerLoop() {
    State& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    for (;;) {
        uint32_t period = s.tickMs;
        if (period == 0) {
            s.tick.wait(guard);  // woken when a period is set again
            continue;
        }
        guard.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(period));
        guard.lock();
        if (s.tickMs == 0) continue;
        for (Client& c : s.clients)
            if (c.live) ++c.ticks;
        s.tick.notify_all();
    }
}

// Called with the lock held.
void EnsureTicker(State& s) {
    if (s.tickerStarted) return;
    s.tickerStarted = true;
    std::thread(TickerLoop).detach();
}

uint8_t CookSum(const uint8_t* b) {
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i) sum += b[i];
    return static_cast<uint8_t>(sum);
}

void Timestamp(char* out, size_t size) {
    using namespace std::chrono;
    auto now = system_clock::now();
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::time_t t = system_clock::to_time_t(now);
    std::tm tmv{};
#ifdef _WIN32
    localtime_s(&tmv, &t);
#else
    localtime_r(&t, &tmv);
#endif
    snprintf(out, size, "%02d:%02d:%02d.%03d", tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
             static_cast<int>(ms));
}

// Stores a gate's new raw value and tells the gate sink, outside the lock
// (the sink may call back into the library).
void StoreGate(State& s, std::unique_lock<std::mutex>& guard, Gate& g, RawGateValue next) {
    const uint16_t old = g.raw.value;
    g.raw = next;
    QelSimGateSink sink = s.gateSink;
    void* user = s.gateUser;
    const uint8_t channel = g.channel;
    const std::string address = g.address;
    guard.unlock();
    if (sink) sink(channel, address.c_str(), old, next.value, user);
}

}  // namespace

extern "C" {

// ---------------------------------------------------------------------------
// The nine host calls.

uint16_t QelMkClient(const char* name, int32_t one, int32_t zero, uint8_t* clientId) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallMkClient, 0);
    call.args[0] = one;
    call.args[1] = zero;
    CopyText(call.text, sizeof call.text, name);
    if (s.failMkClient) return call.status = kQelSimMkClientFailed;
    for (int id = 1; id < 256; ++id) {
        Client& c = s.clients[id];
        if (c.live || c.waiting) continue;
        c = Client{};
        c.live = true;
        c.name = name ? name : "";
        *clientId = static_cast<uint8_t>(id);
        call.clientId = static_cast<uint8_t>(id);
        return call.status = kQelSimOk;
    }
    return call.status = kQelSimMkClientFailed;
}

void QelRmClient(uint8_t clientId) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    Record(s, kCallRmClient, clientId);
    Client& c = s.clients[clientId];
    c.live = false;
    c.shutdown = true;
    s.tick.notify_all();
}

// The client whose messages this thread last waited for: a channel's
// receiver thread waits for its own client only.
thread_local uint8_t tWaitingClient = 0;

uint16_t QelWaitMsg(uint8_t clientId, void* message, int32_t one) {
    tWaitingClient = clientId;
    State& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    {
        QelSimCall& call = Record(s, kCallWaitMsg, clientId);
        call.args[0] = one;
    }
    Client& c = s.clients[clientId];
    if (!c.live && !c.shutdown) return kQelSimOk;  // unknown client: nothing to wait for
    if (s.tickMs != 0) EnsureTicker(s);
    ++c.waiting;
    // No notify here: QelSimWaiting is read, not waited for, and waking the
    // other clients' waits for nothing costs every channel of a site a
    // wake-up per client and tick.
    s.tick.wait(guard, [&] { return c.shutdown || c.ticks > c.consumed; });
    --c.waiting;
    if (c.shutdown) return 0;
    c.consumed = c.ticks;  // ticks that came while the driver was busy merge
    if (message) memset(message, 0, zid::kWaitMessageSize);
    return 1;
}

uint16_t QelGetGateIdByAddressStr(uint8_t clientId, uint8_t channel, const char* address,
                                  uint32_t* gateId) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallGetGateId, clientId);
    call.channel = channel;
    CopyText(call.text, sizeof call.text, address);
    std::string a = address ? address : "";
    if (Listed(s.failLookup, a)) return call.status = kQelSimInjectedFailure;
    auto it = s.byAddress.find({channel, a});
    if (it == s.byAddress.end()) return call.status = kQelSimNoSuchGate;
    *gateId = it->second;
    call.gateId = it->second;
    return call.status = kQelSimOk;
}

uint16_t QelGetGateRawValue(uint8_t clientId, uint32_t gateId, RawGateValue* value,
                            int32_t zero) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallGetRaw, clientId);
    call.gateId = gateId;
    call.args[0] = zero;
    if (gateId == 0 || gateId > s.gates.size()) return call.status = kQelSimNoSuchGate;
    *value = s.gates[gateId - 1].raw;
    call.raw = *value;
    CopyText(call.text, sizeof call.text, s.gates[gateId - 1].address.c_str());
    return call.status = kQelSimOk;
}

uint16_t QelCook(uint8_t clientId, uint32_t gateId, RawGateValue value, CookedValue* cooked) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallCook, clientId);
    call.gateId = gateId;
    call.raw = value;
    CookedValue c{};
    c.bytes[0] = 'Q';
    c.bytes[1] = 'K';
    c.bytes[2] = value.host[0];
    c.bytes[3] = value.host[1];
    c.bytes[4] = static_cast<uint8_t>(value.value & 0xFF);
    c.bytes[5] = static_cast<uint8_t>(value.value >> 8);
    c.bytes[6] = 0;
    c.bytes[7] = CookSum(c.bytes);
    *cooked = c;
    call.cooked = c;
    return call.status = kQelSimOk;
}

uint16_t QelPutGateVal(uint8_t clientId, uint32_t gateId, int32_t two, CookedValue value,
                       int32_t zero1, int32_t zero2) {
    State& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallPutGateVal, clientId);
    call.gateId = gateId;
    call.args[0] = two;
    call.args[1] = zero1;
    call.args[2] = zero2;
    call.cooked = value;
    if (gateId == 0 || gateId > s.gates.size()) return call.status = kQelSimNoSuchGate;
    Gate& g = s.gates[gateId - 1];
    CopyText(call.text, sizeof call.text, g.address.c_str());
    if (Listed(s.failWrite, g.address)) return call.status = kQelSimInjectedFailure;
    static const CookedValue kZero{};
    RawGateValue next = g.raw;
    if (memcmp(&value, &kZero, sizeof value) == 0) {
        next.value = 0;
    } else if (value.bytes[0] == 'Q' && value.bytes[1] == 'K' && value.bytes[6] == 0 &&
               value.bytes[7] == CookSum(value.bytes)) {
        next.host[0] = value.bytes[2];
        next.host[1] = value.bytes[3];
        next.value = static_cast<uint16_t>(value.bytes[4] | (value.bytes[5] << 8));
    } else {
        return call.status = kQelSimBadCookedValue;
    }
    call.raw = next;
    call.status = kQelSimOk;
    StoreGate(s, guard, g, next);
    return kQelSimOk;
}

void QelGetQelmarVer(uint8_t clientId, uint16_t* version, char* text) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallGetVersion, clientId);
    call.args[0] = s.version;
    if (version) *version = s.version;
    if (text) snprintf(text, 100, "Qelmar stand-in host %u.%02u", s.version / 100u, s.version % 100u);
}

void err(int32_t level, const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format ? format : "", args);
    va_end(args);
    char stamp[32];
    Timestamp(stamp, sizeof stamp);
    char line[1100];
    snprintf(line, sizeof line, "%s [%d] %s", stamp, static_cast<int>(level), message);

    State& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    QelSimCall& call = Record(s, kCallErr, 0);
    call.args[0] = level;
    CopyText(call.text, sizeof call.text, message);
    if (s.echo) {
        fprintf(stderr, "%s\n", line);
        fflush(stderr);
    }
    if (s.logFile) {
        fprintf(s.logFile, "%s\n", line);
        fflush(s.logFile);
    }
    QelSimLogSink sink = s.logSink;
    void* user = s.logUser;
    guard.unlock();
    if (sink) sink(message, user);
}

// ---------------------------------------------------------------------------
// Control interface.

void QelSimReset(void) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    for (Client& c : s.clients) {
        // Blocked waiters of forgotten clients are released with 0.
        if (c.live || c.waiting) c.shutdown = true;
        c.live = false;
    }
    s.tick.notify_all();
    for (Client& c : s.clients)
        if (!c.waiting) c = Client{};
    s.gates.clear();
    s.byAddress.clear();
    s.failLookup.clear();
    s.failWrite.clear();
    s.failMkClient = false;
    s.version = kDefaultVersion;
    s.tickMs = kDefaultTickMs;
    s.callLogCount = 0;
    s.logSink = nullptr;
    s.gateSink = nullptr;
}

uint32_t QelSimDefineGate(uint8_t channel, const char* address) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    std::string a = address ? address : "";
    auto it = s.byAddress.find({channel, a});
    if (it != s.byAddress.end()) return it->second;
    s.gates.push_back(Gate{channel, a, RawGateValue{}});
    uint32_t id = static_cast<uint32_t>(s.gates.size());
    s.byAddress[{channel, a}] = id;
    return id;
}

uint16_t QelSimReadGate(uint8_t channel, const char* address, RawGateValue* value) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    auto it = s.byAddress.find({channel, address ? address : ""});
    if (it == s.byAddress.end()) return kQelSimNoSuchGate;
    *value = s.gates[it->second - 1].raw;
    return kQelSimOk;
}

uint16_t QelSimReadGateById(uint32_t gateId, RawGateValue* value) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    if (gateId == 0 || gateId > s.gates.size()) return kQelSimNoSuchGate;
    *value = s.gates[gateId - 1].raw;
    return kQelSimOk;
}

uint16_t QelSimWriteGateById(uint32_t gateId, RawGateValue value) {
    State& s = S();
    std::unique_lock<std::mutex> guard(s.lock);
    if (gateId == 0 || gateId > s.gates.size()) return kQelSimNoSuchGate;
    StoreGate(s, guard, s.gates[gateId - 1], value);
    return kQelSimOk;
}

void QelSimFailLookup(const char* address, int32_t fail) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    SetListed(s.failLookup, address, fail);
}

void QelSimFailWrite(const char* address, int32_t fail) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    SetListed(s.failWrite, address, fail);
}

void QelSimFailMkClient(int32_t fail) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.failMkClient = fail != 0;
}

void QelSimSetVersion(uint16_t version) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.version = version;
}

void QelSimSetTickPeriod(uint32_t milliseconds) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.tickMs = milliseconds;
    s.tick.notify_all();
}

void QelSimTick(uint8_t clientId) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    if (clientId == 0) {
        for (Client& c : s.clients)
            if (c.live) ++c.ticks;
    } else {
        ++s.clients[clientId].ticks;
    }
    s.tick.notify_all();
}

void QelSimShutdownClient(uint8_t clientId) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.clients[clientId].shutdown = true;
    s.tick.notify_all();
}

uint8_t QelSimFindClient(const char* name) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    for (int id = 1; id < 256; ++id)
        if (s.clients[id].live && s.clients[id].name == (name ? name : "")) return static_cast<uint8_t>(id);
    return 0;
}

uint8_t QelSimCallerClient(void) { return tWaitingClient; }

int32_t QelSimWaiting(uint8_t clientId) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.clients[clientId].waiting;
}

uint32_t QelSimCallLogCount(void) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.callLogCount;
}

uint16_t QelSimCallLogGet(uint32_t index, QelSimCall* call) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    if (index >= s.callLogCount || s.callLogCount - index > kCallLogCapacity) return kQelSimNoSuchGate;
    *call = s.callLog[index % kCallLogCapacity];
    return kQelSimOk;
}

void QelSimCallLogClear(void) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.callLogCount = 0;
}

void QelSimSetLogEcho(int32_t on) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.echo = on != 0;
}

uint16_t QelSimSetLogFile(const char* path) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.logFile) fclose(s.logFile);
    s.logFile = nullptr;
    if (path == nullptr) return kQelSimOk;
    s.logFile = fopen(path, "a");
    return s.logFile ? kQelSimOk : kQelSimInjectedFailure;
}

void QelSimSetLogSink(QelSimLogSink sink, void* user) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.logSink = sink;
    s.logUser = user;
}

void QelSimSetGateSink(QelSimGateSink sink, void* user) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.gateSink = sink;
    s.gateUser = user;
}

}  // extern "C"
