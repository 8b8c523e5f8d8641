#!/usr/bin/env bash
# The long soak: LINES panel lines (default 100000) from zidpanel over a pty
# pair into ZIZEZOZU.DLL, loaded by tests/soak/soak_host with the stand-in
# QELMAR.dll. Passes when every line was read and decoded, the final gates
# and status words equal the panel's model, and memory and handles stayed
# flat. The CI runs the same with 2000 lines (ctest -R soak.short).
#
#   scripts/soak.sh [LINES]
#
# Uses the Windows build in build/win64 (or ZID_SOAK_BUILD), building the
# programs it needs. At 65535 baud the line rate is about 120 lines a second
# under Wine here, so 100000 lines take about 15 minutes.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
lines=${1:-100000}
build=${ZID_SOAK_BUILD:-build/win64}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset win64 -B "$build" >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target soak_host zidpanel ZIZEZOZU QELMAR >/dev/null || exit 1
bits=64
grep -q 'ZID_WINE_BITS:.*=32' "$build/CMakeCache.txt" && bits=32
prefix=$root/$build/wineprefix
exec "$root/cmake/pty-com.sh" "$prefix" \
  "$root/cmake/soak-session.sh" "$bits" "$prefix" "$root/$build/bin" "$lines"
