// Benchmarks of the serial line and the receiver thread under Wine, on a
// socat pty pair (run through pty-com.sh):
//   latency N   driver-added latency of N fire lines: from the write of a
//               line's NUL on the panel's port to the gate write reaching the
//               host, with the host ticking every millisecond;
//   burst N     N fire lines paced at 9600 baud, the host ticking every 5 ms:
//               lines lost, order, gate writes;
//   readbyte N  the cost of one ReadPortByte call with a byte waiting
//               (N bytes per round, five rounds).
// With no arguments: latency 200, burst 1000, readbyte 1000.
// Exit status 0 only when every target is met (p99 < 5 ms; 0 lost, order kept
// and one gate write a line).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "panel/receiver.h"
#include "serial/serial_calls.h"
#include "serial/serial_port.h"
#include "standin/qelmar_sim.h"
#include "tools/common/line_composer.h"

namespace {

using namespace zid;

constexpr LineBlock k9600{9600, 8, 0, 0};
constexpr uint8_t kChannel = 3;

double gTicksPerMs = 0;
double NowMs() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / gTicksPerMs;
}

struct Bench {
    std::unique_ptr<ChannelContext> ctx = std::make_unique<ChannelContext>();
    HANDLE panel = INVALID_HANDLE_VALUE;
    uint8_t client = 0;
    uint32_t gate = 0;
    std::string gateAddress;
};
Bench gBench;

// Gate writes seen by the host.
std::atomic<bool> gArmed{false};
std::atomic<double> gGateWriteAt{0};
HANDLE gGateWritten = nullptr;

void OnGate(uint8_t, const char*, uint16_t, uint16_t newValue, void*) {
    if (newValue != 0 && gArmed.exchange(false)) {
        gGateWriteAt = NowMs();
        SetEvent(gGateWritten);
    }
}

// Lines the driver logged as read.
std::mutex gLinesLock;
std::vector<std::string> gLines;
void OnLog(const char* line, void*) {
    static const char kRead[] = "SulVOR: PLC read this message: ";
    if (std::strncmp(line, kRead, sizeof kRead - 1) != 0) return;
    std::lock_guard<std::mutex> guard(gLinesLock);
    gLines.emplace_back(line + sizeof kRead - 1);
}

bool Write(const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(gBench.panel, data, size, &written, nullptr) && written == size;
}

DWORD Queued() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(ToWin32Handle(LoadPort(*gBench.ctx)), &errors, &status)) return 0;
    return status.cbInQue;
}

std::string FireLine(int seq) {
    PanelLineFields f{};
    f.event = PanelEvent::FireLine;
    f.line = 1;
    f.detector = 2;
    f.hour = seq / 3600 % 100;
    f.minute = seq / 60 % 60;
    f.second = seq % 60;
    char out[128];
    const size_t n = ComposePanelLine(f, out, sizeof out);
    return std::string(out, n);
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p / 100.0 * (v.size() - 1) + 0.5));
    return v[i];
}

bool Setup(const char* driverCom, const char* panelCom) {
    QelSimReset();
    QelSimSetLogEcho(0);
    QelSimSetTickPeriod(0);
    QelSimSetLogSink(OnLog, nullptr);
    QelSimSetGateSink(OnGate, nullptr);
    gGateWritten = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const std::string panel = std::string("\\\\.\\") + panelCom;
    gBench.panel = CreateFileA(panel.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (gBench.panel == INVALID_HANDLE_VALUE) return false;
    PortHandle port = 0;
    const std::string driver = std::string("\\\\.\\") + driverCom;
    if (ComOpen(driver.c_str(), &k9600, 0x4333, &port) != kComOk) return false;
    ComSetReadTimeout(port, 4);
    StorePort(*gBench.ctx, port);
    if (QelMkClient("SulVOR No_03", 1, 0, &gBench.client) != 0) return false;
    gBench.ctx->clientId = gBench.client;
    gBench.ctx->channel = kChannel;
    if (!StartReceiverThread(gBench.ctx.get())) return false;
    for (int i = 0; i < 3000 && QelSimWaiting(gBench.client) != 1; ++i) Sleep(1);

    // Learn the gate address a fire line names and define that gate.
    const std::string probe = FireLine(0);
    QelSimCallLogClear();
    Write(probe.c_str(), static_cast<DWORD>(probe.size() + 1));
    for (int i = 0; i < 2000 && Queued() < probe.size() + 1; ++i) Sleep(1);
    QelSimTick(gBench.client);
    for (int i = 0; i < 3000 && gBench.gateAddress.empty(); ++i) {
        Sleep(1);
        for (uint32_t j = 0; j < QelSimCallLogCount(); ++j) {
            QelSimCall c{};
            if (QelSimCallLogGet(j, &c) == 0 && c.kind == kCallGetGateId) gBench.gateAddress = c.text;
        }
    }
    if (gBench.gateAddress.empty()) return false;
    gBench.gate = QelSimDefineGate(kChannel, gBench.gateAddress.c_str());
    for (int i = 0; i < 3000 && QelSimWaiting(gBench.client) != 1; ++i) Sleep(1);
    return true;
}

bool Latency(int n) {
    // The host ticks every millisecond; the line's text is sent first and
    // the thread is inside the line, waiting for its end, before the NUL
    // goes out, so the figure holds the driver's own path only.
    QelSimSetTickPeriod(1);
    QelSimTick(gBench.client);  // the thread's current wait then starts the ticker
    std::vector<double> samples;
    int missed = 0;
    for (int i = 0; i < n; ++i) {
        const std::string line = FireLine(i);
        QelSimWriteGateById(gBench.gate, RawGateValue{{0, 0}, 0});
        Write(line.data(), static_cast<DWORD>(line.size()));
        Sleep(2);
        for (int w = 0; w < 1000 && Queued() != 0; ++w) Sleep(1);
        Sleep(2);  // the thread has taken the text and waits for the end
        gArmed = true;
        const double t0 = NowMs();
        const char nul = 0;
        Write(&nul, 1);
        if (WaitForSingleObject(gGateWritten, 2000) != WAIT_OBJECT_0) {
            gArmed = false;
            ++missed;
            continue;
        }
        samples.push_back(gGateWriteAt - t0);
        Sleep(2);
    }
    QelSimSetTickPeriod(0);
    if (samples.empty()) {
        std::printf("latency: no gate write seen\n");
        return false;
    }
    double sum = 0;
    for (double s : samples) sum += s;
    const double p99 = Percentile(samples, 99);
    std::printf("latency: %zu lines, p50 %.3f ms, p99 %.3f ms, max %.3f ms, mean %.3f ms, missed %d"
                " (target p99 < 5 ms: %s)\n",
                samples.size(), Percentile(samples, 50), p99,
                *std::max_element(samples.begin(), samples.end()), sum / samples.size(), missed,
                p99 < 5.0 && missed == 0 ? "met" : "NOT MET");
    return p99 < 5.0 && missed == 0;
}

int SeqOf(const std::string& line) {
    // ">>EVT: HH:MM:SS ..."
    if (line.size() < 15) return -1;
    return std::atoi(line.substr(7, 2).c_str()) * 3600 + std::atoi(line.substr(10, 2).c_str()) * 60 +
           std::atoi(line.substr(13, 2).c_str());
}

bool Burst(int n) {
    {
        std::lock_guard<std::mutex> guard(gLinesLock);
        gLines.clear();
    }
    QelSimCallLogClear();
    QelSimSetTickPeriod(5);
    QelSimTick(gBench.client);  // the thread's current wait then starts the ticker
    const double start = NowMs();
    double slot = start;
    size_t bytes = 0;
    for (int i = 0; i < n; ++i) {
        const std::string line = FireLine(i);
        const DWORD size = static_cast<DWORD>(line.size() + 1);
        // Each line at its slot; a slot lasts the line's time on the wire at
        // 9600 baud, 8N1: ten bits per byte.
        while (NowMs() < slot) {
            const double left = slot - NowMs();
            if (left > 2) Sleep(1); else SwitchToThread();
        }
        Write(line.c_str(), size);
        bytes += size;
        slot += size * 10.0 * 1000.0 / 9600.0;
    }
    const double sent = NowMs();
    // Let the last lines in.
    size_t got = 0;
    for (int idle = 0; idle < 200; ++idle) {
        Sleep(10);
        std::lock_guard<std::mutex> guard(gLinesLock);
        if (gLines.size() != got) idle = 0;
        got = gLines.size();
        if (got >= static_cast<size_t>(n)) break;
    }
    QelSimSetTickPeriod(0);
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> guard(gLinesLock);
        lines = gLines;
    }
    bool ordered = true;
    for (size_t i = 0; i < lines.size(); ++i)
        if (SeqOf(lines[i]) != static_cast<int>(i)) ordered = false;
    int puts = 0;
    for (uint32_t j = 0; j < QelSimCallLogCount(); ++j) {
        QelSimCall c{};
        if (QelSimCallLogGet(j, &c) == 0 && c.kind == kCallPutGateVal && c.status == 0) ++puts;
    }
    const int lost = n - static_cast<int>(lines.size());
    std::printf("burst: %d lines, %zu bytes sent in %.1f s (%.0f baud equivalent), %zu read, "
                "%d lost, order %s, %d gate writes (targets 0 lost, order kept: %s)\n",
                n, bytes, (sent - start) / 1000.0, bytes * 10.0 / ((sent - start) / 1000.0),
                lines.size(), lost, ordered ? "kept" : "BROKEN", puts,
                lost == 0 && ordered && puts == n ? "met" : "NOT MET");
    // Every line read was decoded: one gate write each.
    return lost == 0 && ordered && puts == n;
}

bool ReadByteCost(int n) {
    // The receiver thread waits in QelWaitMsg (no ticks), so this thread
    // alone reads the port.
    auto probe = std::make_unique<ChannelContext>();
    StorePort(*probe, LoadPort(*gBench.ctx));
    ComPurgeInput(LoadPort(*probe));
    std::vector<double> samples;
    const std::string bytes(static_cast<size_t>(n), 'x');
    for (int round = 0; round < 5; ++round) {
        Write(bytes.data(), static_cast<DWORD>(bytes.size()));
        for (int i = 0; i < 5000 && Queued() < bytes.size(); ++i) Sleep(1);
        for (int i = 0; i < n; ++i) {
            uint8_t b = 0;
            const double t0 = NowMs();
            const bool ok = ReadPortByte(probe.get(), &b, 1);
            const double t1 = NowMs();
            if (!ok || b != 'x') {
                std::printf("readbyte: read %d of round %d failed\n", i, round);
                return false;
            }
            samples.push_back((t1 - t0) * 1000.0);
        }
    }
    double sum = 0;
    for (double s : samples) sum += s;
    std::printf("readbyte: %zu calls with a byte waiting, mean %.1f us, p50 %.1f us, p99 %.1f us\n",
                samples.size(), sum / samples.size(), Percentile(samples, 50), Percentile(samples, 99));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    gTicksPerMs = static_cast<double>(f.QuadPart) / 1000.0;
    const char* driver = std::getenv("ZID_DRIVER_COM");
    const char* panel = std::getenv("ZID_PANEL_COM");
    if (!driver || !panel) {
        std::fprintf(stderr, "SKIP: no pty pair (run through cmake/pty-com.sh)\n");
        return 77;
    }
    if (!Setup(driver, panel)) {
        std::fprintf(stderr, "setup failed\n");
        return 1;
    }
    std::printf("gate of the fire lines: %s\n", gBench.gateAddress.c_str());
    bool ok = true;
    if (argc <= 1) {
        ok = Latency(200) && ok;
        ok = Burst(1000) && ok;
        ok = ReadByteCost(1000) && ok;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string what = argv[i];
        const int n = std::atoi(argv[i + 1]);
        if (what == "latency") ok = Latency(n) && ok;
        else if (what == "burst") ok = Burst(n) && ok;
        else if (what == "readbyte") ok = ReadByteCost(n) && ok;
        else { std::fprintf(stderr, "unknown benchmark %s\n", what.c_str()); return 2; }
    }
    // End the receiver thread the host's way before the process ends.
    QelSimShutdownClient(gBench.client);
    for (int i = 0; i < 5000 && QelSimFindClient("SulVOR No_03") != 0; ++i) Sleep(1);
    Sleep(50);
    std::fflush(stdout);
    return ok ? 0 : 1;
}
