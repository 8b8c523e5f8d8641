// How the driver's cost grows with the panels of a site, under Wine on pty
// lines (run through cmake/pty-com.sh with ZID_PTY_LINES set):
//
//   channels_bench channels N LINES
//       N channels of the real ZIZEZOZU.DLL in this one host process, each on
//       a line of its own, all receiving a burst of LINES fire lines of 60
//       characters at 9600 baud at the same time; the host ticks every 50 ms.
//       Reports the host's CPU time per channel, the gate-write latency (the
//       NUL of a line written -> its gate written at the host) over all
//       channels, lines lost, the order of each channel's lines, and whether
//       every gate changed on its own channel only.
//   channels_bench tick MS LINES
//       one channel, the host ticking every MS milliseconds, a burst of LINES
//       lines of 60 characters at 9600 baud: how late the last line's gate
//       write comes after its NUL, and the line rate sustained.
//   channels_bench link ROUNDS
//       one channel, the host ticking every 50 ms and reading !C through
//       command 5 every millisecond, as a host polling its points would:
//       how long after the port is lost (code 11) !C reads 1, and how long
//       after it is back (code 13) !C reads 0. Each close and re-open comes
//       at a random moment of the tick.
//
// The panel side runs in this process too (one writer thread per line); the
// CPU time of its threads and of the thread that watches the run is taken out
// of the process's, so what is reported is the driver's and the host
// library's. Exit status 0 when no line was lost, every
// channel kept its order and its own gates, and nothing failed.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial_port.h"
#include "standin/qelmar_sim.h"
#include "tools/common/driver_host.h"
#include "tools/common/line_composer.h"

namespace {

constexpr double kBaud = 9600.0;
constexpr double kBitsPerCharacter = 10.0;  // 8N1

double gTicksPerMs = 0;
double NowMs() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / gTicksPerMs;
}

double CpuMs(HANDLE thread, bool process) {
    FILETIME created, exited, kernel, user;
    const BOOL ok = process ? GetProcessTimes(thread, &created, &exited, &kernel, &user)
                            : GetThreadTimes(thread, &created, &exited, &kernel, &user);
    if (!ok) return 0;
    auto value = [](FILETIME f) { return (ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return (value(kernel) + value(user)) / 10000.0;
}

// Line k of a burst: a fire on its own gate (line k/40 % 13, detector
// k%40 + 1), its sequence number in the time stamp, padded to width.
std::string FireLine(int k, size_t width) {
    zid::PanelLineFields f{};
    f.event = zid::PanelEvent::FireLine;
    f.line = k / 40 % 13;
    f.detector = k % 40 + 1;
    f.hour = k / 3600 % 100;
    f.minute = k / 60 % 60;
    f.second = k % 60;
    char out[128];
    std::string line(out, zid::ComposePanelLine(f, out, sizeof out));
    if (line.size() < width) line.append(width - line.size(), '.');
    return line;
}

std::string GateOf(int k) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d%02d00", k / 40 % 13, k % 40 + 1);
    return text;
}

struct Channel {
    int number = 0;
    std::unique_ptr<zidtools::DriverChannel> driver;
    std::string panelCom;
    zid::PortHandle panel = 0;
    uint8_t client = 0;
    std::vector<std::string> sent;     // the lines, in order
    std::vector<double> writtenAt;     // when each line's NUL was written
    std::vector<double> gateAt;        // when its gate's fire bit was written
    std::vector<std::string> read;     // lines the driver read, in order
    std::map<std::string, int> lineOfGate;
    int foreignGates = 0;              // gate writes for another channel's lines
    HANDLE writer = nullptr;
    double writerCpuMs = 0;            // the writer thread's own CPU time, as it ends
};

std::vector<std::unique_ptr<Channel>> gChannels;
std::mutex gLock;

Channel* ByClient(uint8_t client) {
    for (auto& c : gChannels)
        if (c->client == client) return c.get();
    return nullptr;
}

void OnLog(const char* line, void*) {
    static const char kRead[] = "SulVOR: PLC read this message: ";
    if (std::strncmp(line, kRead, sizeof kRead - 1) != 0) return;
    std::lock_guard<std::mutex> guard(gLock);
    if (Channel* c = ByClient(QelSimCallerClient())) c->read.emplace_back(line + sizeof kRead - 1);
}

void OnGate(uint8_t channel, const char* address, uint16_t before, uint16_t after, void*) {
    if ((before & 1) || !(after & 1)) return;
    const double now = NowMs();
    std::lock_guard<std::mutex> guard(gLock);
    for (auto& c : gChannels) {
        const auto it = c->lineOfGate.find(address);
        if (c->number != channel) continue;
        if (it == c->lineOfGate.end()) {
            ++c->foreignGates;
            continue;
        }
        c->gateAt[static_cast<size_t>(it->second)] = now;
    }
}

// The panel's side of one line: every line with its NUL, in chunks of a few
// characters at the pace of a 9600-baud wire, back to back. The driver then
// meets each line as it arrives, as it would on a real wire, not whole.
DWORD WINAPI Writer(LPVOID argument) {
    Channel& c = *static_cast<Channel*>(argument);
    constexpr size_t kChunk = 6;
    const double msPerCharacter = kBitsPerCharacter * 1000.0 / kBaud;
    double slot = NowMs();
    for (size_t k = 0; k < c.sent.size(); ++k) {
        const std::string bytes = c.sent[k] + '\0';
        for (size_t at = 0; at < bytes.size(); at += kChunk) {
            const size_t n = std::min(kChunk, bytes.size() - at);
            while (NowMs() < slot) Sleep(1);
            uint32_t written = 0;
            zid::ComWrite(c.panel, bytes.data() + at, static_cast<uint32_t>(n), &written);
            slot += n * msPerCharacter;
        }
        c.writtenAt[k] = NowMs();
    }
    c.writerCpuMs = CpuMs(GetCurrentThread(), false);
    return 0;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p / 100.0 * (v.size() - 1) + 0.5))];
}

std::string Env(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
}

// Starts n channels on the pty lines, each with lines of the given width.
bool Setup(zidtools::DriverLibrary& driver, int n, int lines, size_t width, uint32_t tickMs) {
    QelSimReset();
    QelSimSetLogEcho(0);
    QelSimSetTickPeriod(tickMs);
    QelSimSetLogSink(OnLog, nullptr);
    QelSimSetGateSink(OnGate, nullptr);
    const zid::LineBlock line{9600, 8, 0, 0};
    for (int i = 1; i <= n; ++i) {
        auto c = std::make_unique<Channel>();
        c->number = i;
        const std::string driverCom = Env("ZID_LINE" + std::to_string(i) + "_DRIVER");
        c->panelCom = Env("ZID_LINE" + std::to_string(i) + "_PANEL");
        if (driverCom.empty() || c->panelCom.empty()) {
            std::fprintf(stderr, "no pty line %d (set ZID_PTY_LINES=%d for cmake/pty-com.sh)\n", i, n);
            return false;
        }
        if (zid::ComOpen(("\\\\.\\" + c->panelCom).c_str(), &line, 0x4333, &c->panel) != zid::kComOk)
            return false;
        for (int k = 0; k < lines; ++k) {
            c->sent.push_back(FireLine(k, width));
            c->lineOfGate[GateOf(k)] = k;
            QelSimDefineGate(static_cast<uint8_t>(i), GateOf(k).c_str());
        }
        c->writtenAt.assign(static_cast<size_t>(lines), 0);
        c->gateAt.assign(static_cast<size_t>(lines), 0);
        c->driver = std::make_unique<zidtools::DriverChannel>(driver, i);
        const int32_t started = c->driver->Start(zidtools::MakePortParams(
            driver.Info(), "\\\\.\\" + driverCom, zidtools::LineSettings{}));
        if (started != zid::kDone) {
            std::fprintf(stderr, "channel %d did not start on %s (result %d)\n", i, driverCom.c_str(),
                         started);
            return false;
        }
        c->client = c->driver->ClientId();
        gChannels.push_back(std::move(c));
    }
    // Past each receiver thread's first second, and waiting for the host.
    for (auto& c : gChannels)
        for (int t = 0; t < 5000 && QelSimWaiting(c->client) != 1; ++t) Sleep(1);
    return true;
}

// Sends every channel's burst at once and waits for the lines to be read.
// Returns the host's CPU time over the burst and its wall time.
void Burst(double& hostCpuMs, double& wallMs) {
    const double cpu0 = CpuMs(GetCurrentProcess(), true);
    const double main0 = CpuMs(GetCurrentThread(), false);
    const double t0 = NowMs();
    for (auto& c : gChannels) c->writer = CreateThread(nullptr, 0, Writer, c.get(), 0, nullptr);
    for (auto& c : gChannels) WaitForSingleObject(c->writer, INFINITE);
    // Every line read, or nothing new for two seconds.
    size_t last = 0;
    for (double idleSince = NowMs(); NowMs() - idleSince < 2000;) {
        Sleep(5);
        size_t got = 0, want = 0;
        {
            std::lock_guard<std::mutex> guard(gLock);
            for (auto& c : gChannels) {
                for (double g : c->gateAt) got += g > 0;
                want += c->sent.size();
            }
        }
        if (got != last) idleSince = NowMs();
        last = got;
        if (got >= want) break;
    }
    wallMs = NowMs() - t0;
    double writers = 0;
    for (auto& c : gChannels) {
        writers += c->writerCpuMs;
        CloseHandle(c->writer);
    }
    // This thread's watching is the bench's, not the host's.
    const double watching = CpuMs(GetCurrentThread(), false) - main0;
    hostCpuMs = CpuMs(GetCurrentProcess(), true) - cpu0 - writers - watching;
}

void Shutdown() {
    for (auto& c : gChannels) QelSimShutdownClient(c->client);
    for (auto& c : gChannels) {
        for (int t = 0; t < 3000 && QelSimWaiting(c->client) != 0; ++t) Sleep(1);
    }
    Sleep(1200);  // the threads' last second
    for (auto& c : gChannels) {
        c->driver->Close();
        zid::ComClose(c->panel);
    }
}

int Channels(zidtools::DriverLibrary& driver, int n, int lines) {
    if (!Setup(driver, n, lines, 60, 50)) return 1;
    double cpu = 0, wall = 0;
    Burst(cpu, wall);
    std::vector<double> latency;
    int lost = 0, disordered = 0, foreign = 0;
    {
        std::lock_guard<std::mutex> guard(gLock);
        for (auto& c : gChannels) {
            for (size_t k = 0; k < c->sent.size(); ++k)
                if (c->gateAt[k] > 0) latency.push_back(c->gateAt[k] - c->writtenAt[k]);
            lost += static_cast<int>(c->sent.size()) - static_cast<int>(c->read.size());
            for (size_t k = 0; k < c->read.size(); ++k)
                if (k >= c->sent.size() || c->read[k] != c->sent[k]) ++disordered;
            foreign += c->foreignGates;
        }
    }
    const double perChannel = 100.0 * cpu / wall / n;
    std::printf("channels %d: %d lines of 60 characters each at 9600 baud in %.1f s; host CPU %.0f ms = %.2f %% of "
                "one core per channel; gate-write latency p50 %.3f ms, p99 %.3f ms, max %.3f ms "
                "over %zu lines; lost %d; order %s; gates on their own channel %s\n",
                n, lines, wall / 1000.0, cpu, perChannel, Percentile(latency, 50),
                Percentile(latency, 99), latency.empty() ? 0.0 : *std::max_element(latency.begin(), latency.end()),
                latency.size(), lost, disordered == 0 ? "kept" : "BROKEN",
                foreign == 0 ? "only" : "NOT ONLY");
    Shutdown();
    return lost == 0 && disordered == 0 && foreign == 0 ? 0 : 1;
}

int Tick(zidtools::DriverLibrary& driver, uint32_t tickMs, int lines) {
    if (!Setup(driver, 1, lines, 60, tickMs)) return 1;
    double cpu = 0, wall = 0;
    Burst(cpu, wall);
    const Channel& c = *gChannels.front();
    std::lock_guard<std::mutex> guard(gLock);
    const double lastLate = c.gateAt.back() > 0 ? c.gateAt.back() - c.writtenAt.back() : -1;
    const double span = c.gateAt.back() - c.writtenAt.front();
    const int lost = static_cast<int>(c.sent.size() - c.read.size());
    const double sent = (c.writtenAt.back() - c.writtenAt.front()) / 1000.0;
    std::printf("tick %u ms: %d lines of 60 characters sent in %.2f s (%.1f lines/s); last gate "
                "write %.0f ms after its NUL; %.1f lines/s sustained (first NUL to last gate "
                "write); lost %d\n",
                tickMs, lines, sent, (lines - 1) / sent, lastLate, (lines - 1) / (span / 1000.0),
                lost);
    Shutdown();
    return lost == 0 && lastLate >= 0 ? 0 : 1;
}

// Milliseconds from start until command 5 reads want on !C; -1 after 2 s.
double UntilLinkReads(zidtools::DriverChannel& channel, uint16_t want, double start) {
    for (;;) {
        if (channel.Read(zid::PointType::kStatusC, 0) == want) return NowMs() - start;
        if (NowMs() - start > 2000) return -1;
        Sleep(1);
    }
}

int Link(zidtools::DriverLibrary& driver, int rounds) {
    if (!Setup(driver, 1, 1, 60, 50)) return 1;
    zidtools::DriverChannel& channel = *gChannels.front()->driver;
    std::vector<double> lost, back;
    uint32_t seed = GetTickCount();
    auto randomMs = [&seed](uint32_t below) { seed = seed * 1103515245u + 12345u; return (seed >> 8) % below; };
    bool failed = false;
    for (int r = 0; r < rounds && !failed; ++r) {
        Sleep(100 + randomMs(50));
        double start = NowMs();
        failed = channel.Close() != zid::kDone;
        lost.push_back(UntilLinkReads(channel, 1, start));
        Sleep(100 + randomMs(50));
        start = NowMs();
        failed = failed || channel.Reopen() != zid::kDone;
        back.push_back(UntilLinkReads(channel, 0, start));
        failed = failed || lost.back() < 0 || back.back() < 0;
    }
    auto max = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("link: %zu rounds, host tick 50 ms, !C read through command 5 every ms (times "
                "include the command); port lost (code 11) -> !C 1: p50 %.1f ms, p99 %.1f ms, max "
                "%.1f ms; port back (code 13) -> !C 0: p50 %.1f ms, p99 %.1f ms, max %.1f ms%s\n",
                lost.size(), Percentile(lost, 50), Percentile(lost, 99), max(lost),
                Percentile(back, 50), Percentile(back, 99), max(back), failed ? "; FAILED" : "");
    Shutdown();
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    gTicksPerMs = static_cast<double>(f.QuadPart) / 1000.0;
    const bool link = argc == 3 && std::strcmp(argv[1], "link") == 0;
    if (argc != 4 && !link) {
        std::fprintf(stderr, "usage: channels_bench channels N LINES | tick MS LINES | link ROUNDS\n");
        return 2;
    }
    if (Env("ZID_LINE1_DRIVER").empty()) {
        std::fprintf(stderr, "SKIP: no pty lines (run through cmake/pty-com.sh)\n");
        return 77;
    }
    zidtools::DriverLibrary driver;
    if (const zidtools::Status loaded = driver.Load("ZIZEZOZU.DLL"); !loaded) {
        std::fprintf(stderr, "%s\n", loaded.Error().c_str());
        return 1;
    }
    if (link) {
        const int rounds = std::atoi(argv[2]);
        if (rounds < 1) {
            std::fprintf(stderr, "ROUNDS is at least 1\n");
            return 2;
        }
        const int rc = Link(driver, rounds);
        std::fflush(stdout);
        return rc;
    }
    const std::string what = argv[1];
    const int value = std::atoi(argv[2]), lines = std::atoi(argv[3]);
    if (lines < 1 || lines > 520 || value < 1) {
        std::fprintf(stderr, "LINES is 1 to 520 (one gate each), N and MS at least 1\n");
        return 2;
    }
    int rc = 2;
    if (what == "channels") rc = Channels(driver, value, lines);
    else if (what == "tick") rc = Tick(driver, static_cast<uint32_t>(value), lines);
    std::fflush(stdout);
    return rc;
}
