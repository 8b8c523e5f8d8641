// A small timing harness for the decoder and the gate updates, for the
// Windows builds (no Google Benchmark exists for them here) and natively.
// Each case runs a batch of operations per repeat; the figure is the median
// of the repeats, per operation.
//
//   panel_timing [--quick] [--check]
//     --quick  few repeats and small batches (the test-run smoke)
//     --check  exit 1 when a median misses its budget
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#endif

#include "bench_setup.h"

namespace zid::bench {
namespace {

double NowSeconds() {
#ifdef _WIN32
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
#else
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
#endif
}

struct Figures {
    double median, low, high;  // seconds per operation
};

Figures Measure(int repeats, int batch, const std::function<void()>& operation) {
    operation();  // warm-up
    std::vector<double> perOperation;
    for (int r = 0; r < repeats; ++r) {
        const double start = NowSeconds();
        for (int i = 0; i < batch; ++i) operation();
        perOperation.push_back((NowSeconds() - start) / batch);
    }
    std::sort(perOperation.begin(), perOperation.end());
    return {perOperation[perOperation.size() / 2], perOperation.front(), perOperation.back()};
}

bool Report(const char* name, const Figures& f, double scale, const char* unit, double budget) {
    const bool met = f.median * scale < budget;
    std::printf("%-34s median %10.3f %s  (min %.3f, max %.3f)  budget %.0f %s: %s\n", name,
                f.median * scale, unit, f.low * scale, f.high * scale, budget, unit,
                met ? "met" : "MISSED");
    return met;
}

}  // namespace
}  // namespace zid::bench

int main(int argc, char** argv) {
    using namespace zid;
    using namespace zid::bench;
    bool quick = false, check = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--check") == 0) check = true;
        else {
            std::fprintf(stderr, "usage: %s [--quick] [--check]\n", argv[0]);
            return 2;
        }
    }
    const int repeats = quick ? 3 : 21;
    const int lineBatch = quick ? 200 : 20000;
    const int walkBatch = quick ? 1 : 5;
    bool met = true;

    auto ctx = NewContext();
    QelSimDefineGate(kChannel, "031200");
    const std::string fire = Compose(PanelEvent::FireLine, 3, 12, 0);
    SetLine(*ctx, fire);
    met &= Report("decode + gate update, fire line",
                  Measure(repeats, lineBatch, [&] { DecodePanelMessage(ctx.get()); }), 1e6, "us",
                  kLineBudgetMicroseconds);

    const auto lines = EveryEventLine();
    size_t next = 0;
    met &= Report("decode, every event in turn", Measure(repeats, lineBatch, [&] {
                      SetLine(*ctx, lines[next]);
                      DecodePanelMessage(ctx.get());
                      next = (next + 1) % lines.size();
                  }),
                  1e6, "us", kLineBudgetMicroseconds);

    SetLine(*ctx, IgnoredLine());
    met &= Report("decode, 60-character line, no event",
                  Measure(repeats, lineBatch, [&] { DecodePanelMessage(ctx.get()); }), 1e6, "us",
                  kLineBudgetMicroseconds);

    ctx = NewContext();
    RegisterGates(*ctx, kAddressTableSize);
    met &= Report("ClearAllGates, 20000 gates",
                  Measure(repeats, walkBatch, [&] { ClearAllGates(ctx.get()); }), 1e3, "ms",
                  kResetWalkBudgetMilliseconds);

    QelSimReset();
    return check && !met ? 1 : 0;
}
