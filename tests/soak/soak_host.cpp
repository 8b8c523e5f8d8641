// soak_host: the receiving end of the soak test. Loads ZIZEZOZU.DLL as a host
// does (code 14, a context of the reported size, code 1, code 3 per tag),
// with the stand-in QELMAR.dll ticking every millisecond, and counts what the
// driver does with the lines zidpanel sends until the expected number has
// arrived. Meanwhile it samples the process's private bytes, working set and
// handle count. With --idle it instead measures the process's CPU time over
// S seconds of a started channel with a silent line (host ticking every MS
// milliseconds, 50 by default).
//
//   soak_host --port COMn --lines N [--expect FILE] [--idle-timeout S]
//   soak_host --port COMn --idle S [--tick MS]
//
// Passes (exit 0) when every line was read and decoded (N "PLC read this
// message" lines, no illegal or failed line), the final gates and status
// words equal zidpanel's --expect model, and memory and handles stayed flat
// from the first tenth of the run to its end.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "standin/qelmar_sim.h"
#include "tools/common/driver_host.h"

namespace {

std::atomic<long> gRead{0}, gIllegal{0}, gFailed{0}, gOther{0};

void Sink(const char* line, void*) {
    if (std::strncmp(line, "SulVOR: PLC read this message: ", 31) == 0) ++gRead;
    else if (std::strcmp(line, "SulVOR : Got Illegal length Msg") == 0) ++gIllegal;
    else if (std::strcmp(line, "SulVOR: Failed to read a character from PLC") == 0) ++gFailed;
    else if (std::strcmp(line, "SulVOR : Start Unsolicited Thread") != 0 &&
             std::strcmp(line, "SulVOR : ShutDown !") != 0) {
        ++gOther;
        std::fprintf(stderr, "driver: %s\n", line);
    }
}

struct Sample {
    long lines;
    double seconds;
    size_t privateBytes, workingSet;
    DWORD handles;
};

// Handle count. Wine answers GetProcessHandleCount with 0; there the value
// of a freshly made handle tells instead (handles take the lowest free slot,
// so a leak raises it): reported as a count of slots.
DWORD Handles() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n > 0) return n;
    HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto value = reinterpret_cast<uintptr_t>(probe);
    CloseHandle(probe);
    return static_cast<DWORD>(value / 4);
}

Sample Take(ULONGLONG start) {
    Sample s{gRead.load(), (GetTickCount64() - start) / 1000.0, 0, 0, 0};
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                             sizeof pmc)) {
        s.privateBytes = pmc.PrivateUsage;
        s.workingSet = pmc.WorkingSetSize;
    }
    // Wine reads 0 for private bytes: the working set then stands for it.
    if (s.privateBytes == 0) s.privateBytes = s.workingSet;
    s.handles = Handles();
    return s;
}

void Print(const char* what, const Sample& s) {
    std::printf("soak: %-8s %8ld lines %8.1f s  private %7zu KiB  working set %7zu KiB  handles %lu\n",
                what, s.lines, s.seconds, s.privateBytes / 1024, s.workingSet / 1024,
                static_cast<unsigned long>(s.handles));
    std::fflush(stdout);
}

std::vector<std::string> AllGateAddresses() {
    std::vector<std::string> out;
    char text[8];
    for (int line = 0; line <= 12; ++line)
        for (int det = 0; det <= 40; ++det) {
            std::snprintf(text, sizeof text, "%02d%02d00", line, det);
            out.push_back(text);
        }
    for (int zone = 1; zone <= 12; ++zone) {
        std::snprintf(text, sizeof text, "0000%02d", zone);
        out.push_back(text);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string port, expect;
    long lines = 0;
    int idleTimeout = 30;
    int idleSeconds = 0, tick = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--port") port = argv[i + 1];
        else if (a == "--lines") lines = std::atol(argv[i + 1]);
        else if (a == "--expect") expect = argv[i + 1];
        else if (a == "--idle-timeout") idleTimeout = std::atoi(argv[i + 1]);
        else if (a == "--idle") idleSeconds = std::atoi(argv[i + 1]), tick = 50;
        else if (a == "--tick") tick = std::atoi(argv[i + 1]);
    }
    // COM ports above 9 open only by their device name.
    if (!port.empty() && port[0] != '\\' && port != "NUL") port = "\\\\.\\" + port;
    if (port.empty() || (lines <= 0 && idleSeconds <= 0)) {
        std::fprintf(stderr, "usage: soak_host --port COMn --lines N [--expect FILE] [--idle-timeout S]\n");
        return 2;
    }

    QelSimSetLogEcho(0);
    QelSimSetLogSink(Sink, nullptr);
    QelSimSetTickPeriod(uint32_t(tick));

    zidtools::DriverLibrary driver;
    if (const zidtools::Status loaded = driver.Load("ZIZEZOZU.DLL"); !loaded) {
        std::fprintf(stderr, "soak: %s\n", loaded.Error().c_str());
        return 1;
    }
    const int32_t channel = 1;
    zidtools::DriverChannel host(driver, channel);
    if (const int32_t r = host.Start(zidtools::MakePortParams(driver.Info(), port, {})); r != 0) {
        std::fprintf(stderr, "soak: start on %s gave %d\n", port.c_str(), r);
        return 1;
    }
    for (const std::string& a : AllGateAddresses()) {
        QelSimDefineGate(channel, a.c_str());
        std::string text = a;
        int32_t pointType = 0;
        if (host.Validate(text, pointType) != 0) {
            std::fprintf(stderr, "soak: tag %s refused\n", a.c_str());
            return 1;
        }
    }
    const ULONGLONG t0 = GetTickCount64();
    std::printf("soak: ready on %s for %ld lines\n", port.c_str(), lines);
    std::fflush(stdout);

    if (idleSeconds > 0) {
        Sleep(2000);  // past the thread's first second
        auto cpu = [] {
            FILETIME created, exited, kernel, user;
            GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
            auto value = [](FILETIME f) { return (ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
            return (value(kernel) + value(user)) / 10000.0;  // milliseconds
        };
        const double cpu0 = cpu();
        const ULONGLONG w0 = GetTickCount64();
        Sleep(DWORD(idleSeconds) * 1000);
        const double used = cpu() - cpu0;
        const double wall = double(GetTickCount64() - w0);
        std::printf("soak: idle cpu %.3f %% of one core (%.0f ms in %.0f ms, host ticking every %d ms, "
                    "%ld lines read)\n",
                    100.0 * used / wall, used, wall, tick, gRead.load());
        QelSimShutdownClient(host.ClientId());
        Sleep(1200);
        host.Close();
        return 0;
    }

    // Run until every line has been read, or nothing arrives for a while.
    Sample first = Take(t0), baseline{}, last = first;
    bool haveBaseline = false;
    long seen = 0;
    ULONGLONG lastProgress = GetTickCount64(), lastPrint = 0;
    Sample peak = first;
    // ZID_SOAK_PLANT_LEAK=1 keeps one event handle and 64 KiB per sample:
    // the run must then be reported NOT FLAT (a check of the measurement).
    const bool plantLeak = std::getenv("ZID_SOAK_PLANT_LEAK") != nullptr;
    while (gRead.load() + gIllegal.load() < lines) {
        Sleep(50);
        const long now = gRead.load() + gIllegal.load();
        if (now != seen) {
            seen = now;
            lastProgress = GetTickCount64();
        } else if (GetTickCount64() - lastProgress > ULONGLONG(idleTimeout) * 1000) {
            std::fprintf(stderr, "soak: nothing new for %d s after %ld of %ld lines\n", idleTimeout, now,
                         lines);
            break;
        }
        if (plantLeak) {
            CreateEventA(nullptr, FALSE, FALSE, nullptr);
            std::memset(std::malloc(65536), 1, 65536);
        }
        last = Take(t0);
        if (last.privateBytes > peak.privateBytes) peak.privateBytes = last.privateBytes;
        if (last.handles > peak.handles) peak.handles = last.handles;
        if (!haveBaseline && last.lines >= lines / 10) {
            baseline = last;
            haveBaseline = true;
            Print("baseline", baseline);
        }
        if (GetTickCount64() - lastPrint > 10000) {
            lastPrint = GetTickCount64();
            Print("running", last);
        }
    }
    Sleep(500);  // the gate writes of the last line
    last = Take(t0);
    Print("end", last);

    // Final state against the panel's model.
    bool stateOk = true;
    size_t compared = 0;
    if (!expect.empty()) {
        // The panel's model appears (renamed into place) once zidpanel is done.
        for (int i = 0; i < 600 && GetFileAttributesA(expect.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(100);
        std::ifstream in(expect);
        if (!in) {
            std::fprintf(stderr, "soak: cannot read %s\n", expect.c_str());
            stateOk = false;
        }
        for (std::string text; std::getline(in, text);) {
            std::istringstream ls(text);
            std::string kind, name, value;
            ls >> kind >> name >> value;
            if (kind == "gate") {
                RawGateValue raw{};
                const unsigned long want = std::strtoul(value.c_str(), nullptr, 16);
                if (QelSimReadGate(channel, name.c_str(), &raw) != 0 || raw.value != want) {
                    std::fprintf(stderr, "soak: gate %s is 0x%04X, the panel's model says 0x%04lX\n",
                                 name.c_str(), raw.value, want);
                    stateOk = false;
                }
                ++compared;
            } else if (kind == "status") {
                const std::map<char, zid::PointType> types = {
                    {'T', zid::PointType::kStatusT}, {'F', zid::PointType::kStatusF},
                    {'R', zid::PointType::kStatusR}, {'S', zid::PointType::kStatusS},
                    {'C', zid::PointType::kStatusC}};
                const auto type = types.find(name.empty() ? '?' : name[0]);
                const uint16_t word =
                    type == types.end() ? 0xFFFF : host.Read(type->second, 0).value_or(0xFFFF);
                if (word != std::strtoul(value.c_str(), nullptr, 10)) {
                    std::fprintf(stderr, "soak: status %s is %u, the panel's model says %s\n",
                                 name.c_str(), word, value.c_str());
                    stateOk = false;
                }
                ++compared;
            }
        }
    }

    // Shut the channel down as the host does.
    QelSimShutdownClient(host.ClientId());
    Sleep(1200);
    host.Close();

    const long read = gRead.load();
    const bool counted = read == lines && gIllegal == 0 && gFailed == 0 && gOther == 0;
    const long long growth = haveBaseline ? (long long)last.privateBytes - (long long)baseline.privateBytes : 0;
    const long handleGrowth = haveBaseline ? long(last.handles) - long(baseline.handles) : 0;
    // Flat: at most 4 handles more (transient ones of the host's threads),
    // and less than 1 MiB of private memory more, from the first tenth of
    // the run to its end.
    const bool flat = haveBaseline && handleGrowth <= 4 && growth < 1024 * 1024;
    std::printf("soak: lines sent %ld, read and decoded %ld, illegal %ld, failed %ld, other log lines %ld\n",
                lines, read, gIllegal.load(), gFailed.load(), gOther.load());
    std::printf("soak: %zu gates and status words compared with the panel's model: %s\n", compared,
                stateOk ? "all equal" : "MISMATCH");
    std::printf("soak: from the baseline to the end: private bytes %+lld KiB, handles %+ld "
                "(peak private %zu KiB, peak handles %lu): %s\n",
                growth / 1024, handleGrowth, peak.privateBytes / 1024,
                static_cast<unsigned long>(peak.handles), flat ? "flat" : "NOT FLAT");
    std::printf("soak: %.1f s, %.0f lines/s\n", last.seconds, last.seconds > 0 ? read / last.seconds : 0.0);
    const bool ok = counted && stateOk && flat;
    std::printf("soak: %s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
