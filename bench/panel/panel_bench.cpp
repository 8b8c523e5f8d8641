// Google Benchmark of the decoder and the gate updates, with the stand-in
// host in the same process (native builds).
#include <benchmark/benchmark.h>

#include "bench_setup.h"

namespace zid::bench {
namespace {

// A fire line: decode, look the gate up, read, cook and write it.
void BM_DecodeFireLine(benchmark::State& state) {
    auto ctx = NewContext();
    QelSimDefineGate(kChannel, "031200");
    SetLine(*ctx, Compose(PanelEvent::FireLine, 3, 12, 0));
    for (auto _ : state) DecodePanelMessage(ctx.get());
    state.SetLabel("per line");
}
BENCHMARK(BM_DecodeFireLine);

// The twelve non-reset lines in turn, each copied into the buffer first.
void BM_DecodeEveryEvent(benchmark::State& state) {
    auto ctx = NewContext();
    const auto lines = EveryEventLine();
    size_t i = 0;
    for (auto _ : state) {
        SetLine(*ctx, lines[i]);
        DecodePanelMessage(ctx.get());
        i = (i + 1) % lines.size();
    }
    state.SetLabel("per line");
}
BENCHMARK(BM_DecodeEveryEvent);

// A 60-character line with no event: the longest keyword search.
void BM_DecodeIgnoredLine(benchmark::State& state) {
    auto ctx = NewContext();
    SetLine(*ctx, IgnoredLine());
    for (auto _ : state) DecodePanelMessage(ctx.get());
    state.SetLabel("per line");
}
BENCHMARK(BM_DecodeIgnoredLine);

// The reset walk over n registered gates, host included.
void BM_ClearAllGates(benchmark::State& state) {
    auto ctx = NewContext();
    RegisterGates(*ctx, static_cast<int>(state.range(0)));
    for (auto _ : state) ClearAllGates(ctx.get());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ClearAllGates)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The reset line itself: the walk plus the decoding around it.
void BM_DecodeResetLine(benchmark::State& state) {
    auto ctx = NewContext();
    RegisterGates(*ctx, kAddressTableSize);
    SetLine(*ctx, Compose(PanelEvent::Reset, 0, 0, 0));
    for (auto _ : state) DecodePanelMessage(ctx.get());
}
BENCHMARK(BM_DecodeResetLine)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zid::bench

BENCHMARK_MAIN();
