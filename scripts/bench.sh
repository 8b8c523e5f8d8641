#!/usr/bin/env bash
# Regenerates the summary of docs/benchmarks.md: builds what it needs, runs
# every benchmark, and rewrites the block between the "bench.sh" markers
# (method and a table of every figure beside its target). The sections that
# follow the block, with the details of each benchmark, are kept as they are.
#
#   scripts/bench.sh            the full runs (about 10 minutes)
#   scripts/bench.sh --quick    short runs, to try the script
#
# Build folders: build/bench-native (Release, no sanitizer), build/bench-asan
# (the allocation count needs the sanitizer runtime's hook) and a Windows
# build: the i386 product (build/win32) where this machine can execute 32-bit
# programs, else its PE32+ twin (build/win64), unless ZID_BENCH_WIN_BUILD
# names another; it is configured and built here when missing. Every figure
# says which build it came from. Only processes this script started are
# stopped.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
quick=0
[ "${1:-}" = --quick ] && quick=1
# shellcheck source=../cmake/win-build.sh
. "$root/cmake/win-build.sh"
win=${ZID_BENCH_WIN_BUILD:-$(zid_default_win_build)}
win_name=$(zid_build_name "$win")
out=$(mktemp -d "${TMPDIR:-/tmp}/zid-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
say() { printf 'bench: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

# --- Builds ------------------------------------------------------------------
say "building (native Release, native ASan, $win)"
cmake --preset native -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DZID_SANITIZE=OFF \
  >"$out/cfg1.log" 2>&1 || { cat "$out/cfg1.log"; die "configure build/bench-native failed"; }
native_targets=(panel_timing report_bench)
grep -q panel_bench build/bench-native/build.ninja && native_targets+=(panel_bench)
cmake --build build/bench-native -j2 --target "${native_targets[@]}" >"$out/b1.log" 2>&1 \
  || { tail -30 "$out/b1.log"; die "native build failed"; }
cmake --preset native -B build/bench-asan >"$out/cfg2.log" 2>&1 || die "configure build/bench-asan failed"
cmake --build build/bench-asan -j2 --target alloc_count >"$out/b2.log" 2>&1 \
  || { tail -30 "$out/b2.log"; die "ASan build failed"; }
if [ ! -f "$win/build.ninja" ]; then
  cmake --preset "$(zid_preset_of "$win")" -B "$win" >"$out/cfg3.log" 2>&1 || die "configure $win failed"
fi
win_targets=(panel_timing soak_host zidpanel ZIZEZOZU QELMAR channels_bench)
grep -q 'bin/serial_bench.exe' "$win/build.ninja" && win_targets+=(serial_bench)
cmake --build "$win" -j2 --target "${win_targets[@]}" >"$out/b3.log" 2>&1 \
  || { tail -30 "$out/b3.log"; die "Windows build failed"; }
bits=$(zid_build_bits "$win")
prefix=$(cd "$win" && pwd)/wineprefix
say "Windows figures from $win: $win_name"
if [ "$bits" = 32 ] && ! zid_can_run_32; then
  die "$win is the 32-bit build, and this machine cannot execute 32-bit programs: use build/win64"
fi
wine() { "$root/cmake/wine-run.sh" "$bits" "$prefix" "$@"; }

# --- Runs ----------------------------------------------------------------------
quickflag=(); [ $quick = 1 ] && quickflag=(--quick)
say "decoder and reset walk, natively"
build/bench-native/bin/panel_timing "${quickflag[@]}" >"$out/timing-native.txt" || die "panel_timing failed"
say "decoder and reset walk, under Wine"
wine "$win/bin/panel_timing.exe" "${quickflag[@]}" >"$out/timing-wine.txt" 2>"$out/timing-wine.err" \
  || { cat "$out/timing-wine.err"; die "panel_timing under Wine failed (exit $?)"; }
say "heap allocations"
build/bench-asan/bin/alloc_count >"$out/alloc.txt" 2>&1
alloc_status=$?

idle_s=30; [ $quick = 1 ] && idle_s=5
say "CPU while idle ($idle_s s)"
"$root/cmake/pty-com.sh" "$bits" "$prefix" bash -c \
  "\"$root/cmake/wine-run.sh\" $bits \"$prefix\" \"$win/bin/soak_host.exe\" --port \"\$ZID_DRIVER_COM\" --idle $idle_s" \
  >"$out/idle.txt" 2>"$out/idle.err" || { cat "$out/idle.err"; say "idle measurement failed"; }

say "walk-test report rebuild, natively"
report_args=(--repeats 15); [ $quick = 1 ] && report_args=(--quick)
build/bench-native/bin/report_bench "${report_args[@]}" >"$out/report.txt" 2>&1 || say "report_bench failed"

# Several channels at once, and the host's tick: one host process, pty lines.
channel_counts=(1 2 4 8); channel_lines=300; tick_lines=100; rounds=3
[ $quick = 1 ] && { channel_counts=(1 2); channel_lines=40; tick_lines=20; rounds=1; }
: > "$out/channels.txt"
for round in $(seq $rounds); do
  for n in "${channel_counts[@]}"; do
    say "$n channel(s) receiving $channel_lines lines each at once (round $round of $rounds)"
    ZID_PTY_LINES=$n "$root/cmake/pty-com.sh" "$bits" "$prefix" "$root/cmake/wine-run.sh" "$bits" "$prefix" \
      "$win/bin/channels_bench.exe" channels "$n" "$channel_lines" >>"$out/channels.txt" 2>"$out/channels.err" \
      || say "channels_bench with $n channel(s) failed or missed (see its line)"
  done
done
for t in 50 100 200 500; do
  say "host tick $t ms, $tick_lines lines"
  ZID_PTY_LINES=1 "$root/cmake/pty-com.sh" "$bits" "$prefix" "$root/cmake/wine-run.sh" "$bits" "$prefix" \
    "$win/bin/channels_bench.exe" tick "$t" "$tick_lines" >>"$out/channels.txt" 2>"$out/channels.err" \
    || say "channels_bench with a $t ms tick failed"
done

serial_txt=
if [ -f "$win/bin/serial_bench.exe" ]; then
  say "latency, burst and ReadPortByte under Wine on a pty (serial_bench)"
  serial_args=(latency 200 burst 1000 readbyte 1000)
  [ $quick = 1 ] && serial_args=(latency 50 burst 100 readbyte 200)
  "$root/cmake/pty-com.sh" "$bits" "$prefix" "$root/cmake/wine-run.sh" "$bits" "$prefix" \
    "$win/bin/serial_bench.exe" "${serial_args[@]}" >"$out/serial.txt" 2>"$out/serial.err"
  serial_status=$?
  serial_txt=$out/serial.txt
  [ $serial_status = 0 ] || say "serial_bench exit $serial_status (a target missed, or it failed)"
fi

# --- Figures -------------------------------------------------------------------
# panel_timing: "NAME median X unit (min .., max ..) budget B unit: met"
median() { grep -F "$2" "$1" | head -1 | sed -E 's/.*median +([0-9.]+) +([a-z]+).*/\1 \2/'; }
read -r dn_v dn_u <<<"$(median "$out/timing-native.txt" 'decode + gate update, fire line')"
read -r dw_v dw_u <<<"$(median "$out/timing-wine.txt" 'decode + gate update, fire line')"
read -r de_v de_u <<<"$(median "$out/timing-native.txt" 'every event in turn')"
read -r dew_v dew_u <<<"$(median "$out/timing-wine.txt" 'every event in turn')"
read -r rn_v rn_u <<<"$(median "$out/timing-native.txt" 'ClearAllGates, 20000 gates')"
read -r rw_v rw_u <<<"$(median "$out/timing-wine.txt" 'ClearAllGates, 20000 gates')"
allocs=$(sed -nE 's/^heap allocations by the driver.s own code: ([0-9]+)$/\1/p' "$out/alloc.txt")
idle=$(sed -nE 's/^soak: idle cpu ([0-9.]+) %.*/\1/p' "$out/idle.txt")
idle_line=$(grep '^soak: idle cpu' "$out/idle.txt" | sed 's/^soak: //')
verdict() { awk -v v="$1" -v b="$2" 'BEGIN { if (v == "") print "not measured"; else if (v + 0 < b + 0) print "met"; else print "MISSED" }'; }
ns() { awk -v v="$1" -v u="$2" 'BEGIN { if (v == "") print ""; else if (u == "us") printf "%.0f", v * 1000; else if (u == "ms") printf "%.0f", v * 1e6; else printf "%s", v }'; }
ms() { awk -v v="$1" -v u="$2" 'BEGIN { if (v == "") print ""; else if (u == "ms") printf "%.2f", v; else if (u == "us") printf "%.3f", v / 1000; else printf "%s", v }'; }
# serial_bench: "latency: N lines, p50 X ms, p99 Y ms, ...", "burst: ..., K lost, ...",
# "readbyte: N calls with a byte waiting, mean A us, p50 B us, p99 C us"
pick() { [ -n "$serial_txt" ] && grep "^$1:" "$serial_txt" | head -1 | sed -nE "s/$2/\1/p"; }
p50=$(pick latency '.* p50 ([0-9.]+) ms.*'); p99=$(pick latency '.* p99 ([0-9.]+) ms.*')
lost=$(pick burst '.*, ([0-9]+) lost,.*'); rpb=$(pick readbyte '.* mean ([0-9.]+) us.*')
rpb50=$(pick readbyte '.* p50 ([0-9.]+) us.*')

# Lines written by Windows programs end in CR LF.
sed -i 's/\r$//' "$out/channels.txt"
report_ms=$(sed -nE 's/^walk-test report rebuild.* median +([0-9.]+) ms.*/\1/p' "$out/report.txt")
# channels_bench: "channels N: ... = P % of one core per channel; gate-write latency p50 A ms,
# p99 B ms, max C ms over K lines; lost L; order kept; gates on their own channel only"
# Of the rounds: the median of a figure, the sum of lines lost, and whether
# every round kept its order and its own gates.
chan_field() { grep "^channels $1:" "$out/channels.txt" | sed -nE "s|$2|\1|p" | sort -g \
                 | awk '{ v[NR] = $0 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
chan_sum() { grep "^channels $1:" "$out/channels.txt" | sed -nE "s|$2|\1|p" | awk '{ s += $1 } END { if (NR) print s }'; }
chan_all() { grep "^channels $1:" "$out/channels.txt" | sed -nE "s|$2|\1|p" | sort -u | paste -sd/; }
tick_field() { grep "^tick $1 ms:" "$out/channels.txt" | head -1 | sed -nE "s|$2|\1|p"; }
p99_8=$(chan_field 8 '.* p99 ([0-9.]+) ms.*'); cpu_8=$(chan_field 8 '.* = ([0-9.]+) % of one core.*')
dn=$(ns "$dn_v" "$dn_u"); dw=$(ns "$dw_v" "$dw_u"); de=$(ns "$de_v" "$de_u"); dew=$(ns "$dew_v" "$dew_u")
rn=$(ms "$rn_v" "$rn_u"); rw=$(ms "$rw_v" "$rw_u")
cell() { [ -n "$1" ] && printf '%s' "$1" || printf 'not measured'; }
lost_verdict() { [ -z "$1" ] && echo "not measured" || { [ "$1" = 0 ] && echo met || echo MISSED; }; }
alloc_verdict() { [ "$alloc_status" = 0 ] && [ "$allocs" = 0 ] && echo met || echo MISSED; }

block=$out/block.md
{
  echo '<!-- bench.sh: begin (generated by scripts/bench.sh; edit the script, not this block) -->'
  echo '## Summary'
  echo
  echo "Regenerate with \`scripts/bench.sh\` (the full runs take about ten minutes on the 2-core"
  echo "build machine; \`--quick\` for a short try). Last run: $(date -u '+%Y-%m-%d %H:%M UTC'),"
  echo "$(nproc) cores, $(uname -m), $( [ $quick = 1 ] && echo 'quick runs' || echo 'full runs')."
  echo
  echo '| Figure | Measured | Target | |'
  echo '|---|---|---|---|'
  echo "| Decode + gate update per fire line, native (ns) | $(cell "$dn") | < 625 000 ns: 1 % of a 60-character line's 62.5 ms at 9600 baud | $(verdict "$dn" 625000) |"
  echo "| Decode + gate update per fire line, Wine (ns) | $(cell "$dw") | < 625 000 ns | $(verdict "$dw" 625000) |"
  echo "| Decode, every event in turn, native / Wine (ns) | $(cell "$de") / $(cell "$dew") | < 625 000 ns | $(verdict "$dew" 625000) |"
  echo "| Driver-added latency, NUL written -> gate write at the host, p50 (ms) | $(cell "$p50") | (p99 is the target) | |"
  echo "| Driver-added latency, p99 (ms) | $(cell "$p99") | < 5 ms | $(verdict "$p99" 5) |"
  echo "| Lines lost in a burst of 1000 lines at 9600 baud | $(cell "$lost") | 0 | $(lost_verdict "$lost") |"
  echo "| Reset walk over 20000 registered gates, native / Wine (ms) | $(cell "$rn") / $(cell "$rw") | < 100 ms | $(verdict "$rw" 100) |"
  echo "| ReadPortByte, one call with a byte waiting, under Wine: mean / p50 (µs) | $(cell "$rpb") / $(cell "$rpb50") | no target (a character takes 1042 µs at 9600 baud) | |"
  echo "| CPU while idle: channel started, silent line, host ticking every 50 ms (% of one core) | $(cell "$idle") | no target set | |"
  echo "| Heap allocations by the driver's own code | $(cell "$allocs") | 0 | $(alloc_verdict) |"
  echo "| 8 channels receiving at once: CPU per receiving channel (% of one core) | $(cell "$cpu_8") | < 2 % | $(verdict "$cpu_8" 2) |"
  echo "| 8 channels receiving at once: gate-write latency p99 (ms) | $(cell "$p99_8") | < 5 ms | $(verdict "$p99_8" 5) |"
  echo "| Walk-test record (walk-test.csv, .md, .html) rebuilt from 100 000 journal rows with 20 000 tags, native (ms) | $(cell "$report_ms") | < 2000 ms | $(verdict "$report_ms" 2000) |"
  echo
  echo "Windows figures come from $win: $win_name."
  echo
  echo '### Several channels in one host process'
  echo
  echo "Each channel receives $channel_lines fire lines of 60 characters at 9600 baud (back to back,"
  echo 'fed a few characters at a time as a wire delivers them), all channels at the same time;'
  echo 'the host ticks every 50 ms. CPU is the host process'"'"'s (driver and host library; the'
  echo 'panel-side threads of the benchmark are taken out) over the burst, per channel.'
  echo "Each count of channels ran $rounds times: the medians, the lines lost in all rounds, and"
  echo 'whether every round kept its order and its gates.'
  echo
  echo '| Channels | CPU per channel (% of one core) | Latency p50 / p99 / max (ms) | Lines lost | Order within each channel | Gates on their own channel |'
  echo '|---:|---:|---|---:|---|---|'
  for n in "${channel_counts[@]}"; do
    echo "| $n | $(cell "$(chan_field "$n" '.* = ([0-9.]+) % of one core.*')") | $(cell "$(chan_field "$n" '.* p50 ([0-9.]+) ms.*')") / $(cell "$(chan_field "$n" '.* p99 ([0-9.]+) ms.*')") / $(cell "$(chan_field "$n" '.* max ([0-9.]+) ms.*')") | $(cell "$(chan_sum "$n" '.*; lost ([0-9]+);.*')") | $(cell "$(chan_all "$n" '.*; order ([A-Za-z]+);.*')") | $(cell "$(chan_all "$n" '.*own channel ([A-Za-z ]+)$')") |"
  done
  first=${channel_counts[0]}; last=${channel_counts[${#channel_counts[@]}-1]}
  c1=$(chan_field "$first" '.* = ([0-9.]+) % of one core.*'); cn=$(chan_field "$last" '.* = ([0-9.]+) % of one core.*')
  if [ -n "$c1" ] && [ -n "$cn" ]; then
    echo
    awk -v a="$c1" -v b="$cn" -v f="$first" -v l="$last" 'BEGIN {
      r = b / a
      printf "The CPU per channel at %d channels is %.2f times that at %d: ", l, r, f
      if (r <= 1.2) print "the cost grows no faster than the number of panels (linearly or better)."
      else print "the cost grows faster than the number of panels."
    }'
  fi
  echo
  echo '### The host'"'"'s tick'
  echo
  echo "One channel, a burst of $tick_lines lines of 60 characters at 9600 baud (one line every"
  echo '63.5 ms on the wire). The driver reads at most one line each time the host'"'"'s wait returns.'
  echo
  echo '| Tick (ms) | Last gate write after its NUL (ms) | Lines per second sustained | Lines lost (pty) |'
  echo '|---:|---:|---:|---:|'
  for t in 50 100 200 500; do
    echo "| $t | $(cell "$(tick_field "$t" '.*last gate write ([0-9.]+) ms after.*')") | $(cell "$(tick_field "$t" '.*NUL; ([0-9.]+) lines/s sustained.*')") | $(cell "$(tick_field "$t" '.*; lost ([0-9]+)$')") |"
  done
  echo
  echo 'On a real COM port the input queue holds 1200 bytes (19.7 such lines); a pty holds more,'
  echo 'so no line is lost here. On paper, the largest burst of 60-character lines each tick'
  echo 'survives on a real port: 50 ms, any (the driver keeps up); 100 ms, 53 lines; 200 ms,'
  echo '28 lines; 500 ms, 22 lines. The arithmetic and the rule are in docs/install.md ("The'
  echo 'host'"'"'s tick").'
  echo
  echo 'The fuzzing, ThreadSanitizer, garbage, fault and soak figures (100000 lines accounted'
  echo 'for, memory and handles flat) are in docs/fuzzing.md.'
  echo
  echo '### Method'
  echo
  echo '- Decode and reset walk: `panel_timing` (bench/panel), the median of 21 repeats of a batch,'
  echo "  with the stand-in host in the same process; natively from a Release build without"
  echo "  sanitizers, under Wine from $win_name. The reset figure includes the stand-in"
  echo "  host's lookup and write of every gate."
  echo '- Latency, burst and ReadPortByte: `serial_bench` under Wine on a socat pty pair (see its'
  echo '  section below); "not measured" when that program is not in the build.'
  echo '- Several channels and the host'"'"'s tick: `channels_bench` (bench/serial) loads ZIZEZOZU.DLL'
  echo '  as a host does and starts one channel per pty line in one process; writer threads play'
  echo '  the panels. Latency runs from the write of a line'"'"'s NUL to its gate write at the host.'
  echo '- Walk-test report: `report_bench` (bench/tools), natively from the Release build (see its'
  echo '  section below).'
  echo '- CPU while idle: `soak_host --idle` (tests/soak) loads ZIZEZOZU.DLL as a host does, starts'
  echo '  the channel on a pty with nothing sent, and reads the process'"'"'s CPU time'
  echo "  (GetProcessTimes) over $idle_s s; the figure includes the stand-in host's own ticker."
  echo "  Its line: $idle_line"
  echo '- Heap allocations: `alloc_count` (tests/stress) runs framing, decoding, gate updates, the'
  echo '  reset walk, commands 3 and 5 and the arrow step against an allocation-free fake host,'
  echo '  with the sanitizer runtime'"'"'s malloc hook counting every allocation of the process; a planted'
  echo '  allocation checks that the hook counts.'
  echo
  echo 'Raw output of this run:'
  echo
  echo '```'
  sed 's/^/native  /' "$out/timing-native.txt"
  sed 's/^/wine    /' "$out/timing-wine.txt"
  sed 's/^/alloc   /' "$out/alloc.txt"
  grep '^soak' "$out/idle.txt" | sed 's/^/idle    /'
  [ -n "$serial_txt" ] && sed 's/^/serial  /' "$serial_txt"
  sed 's/^/site    /' "$out/channels.txt"
  grep '^walk-test' "$out/report.txt" | sed 's/^/report  /'
  echo '```'
  echo '<!-- bench.sh: end -->'
} > "$block"

# --- Into docs/benchmarks.md, keeping everything outside the block ------------
doc=docs/benchmarks.md
[ -f "$doc" ] || printf '# Benchmarks\n' > "$doc"
python3 - "$doc" "$block" <<'EOF'
import sys
doc, block = sys.argv[1], sys.argv[2]
text = open(doc, encoding="utf-8").read()
new = open(block, encoding="utf-8").read()
begin, end = "<!-- bench.sh: begin", "<!-- bench.sh: end -->"
if begin in text and end in text:
    a = text.index(begin)
    b = text.index(end) + len(end)
    text = text[:a] + new.rstrip("\n") + text[b:]
else:
    # After the title line, before the sections of each benchmark.
    lines = text.split("\n", 1)
    rest = lines[1] if len(lines) > 1 else ""
    text = lines[0] + "\n\n" + new + "\n" + rest.lstrip("\n")
open(doc, "w", encoding="utf-8").write(text)
EOF
say "docs/benchmarks.md updated"
cat "$block"
