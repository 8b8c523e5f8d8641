#!/usr/bin/env bash
# The long soak: LINES panel lines (default 100000) from zidpanel over a pty
# pair into ZIZEZOZU.DLL, loaded by tests/soak/soak_host with the stand-in
# QELMAR.dll. Passes when every line was read and decoded, the final gates
# and status words equal the panel's model, and memory and handles stayed
# flat. The CI runs the same with 2000 lines (ctest -R soak.short).
#
#   scripts/soak.sh [LINES]
#
# Runs the i386 product (build/win32) where this machine can execute 32-bit
# programs, else its PE32+ twin (build/win64); ZID_SOAK_BUILD names another
# build. It builds the programs it needs. At 65535 baud the line rate is
# about 120 lines a second under Wine here, so 100000 lines take about 15
# minutes.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
# shellcheck source=../cmake/win-build.sh
. cmake/win-build.sh
lines=${1:-100000}
build=${ZID_SOAK_BUILD:-$(zid_default_win_build)}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset "$(zid_preset_of "$build")" -B "$build" >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target soak_host zidpanel ZIZEZOZU QELMAR >/dev/null || exit 1
bits=$(zid_build_bits "$build")
echo "soak: build $build, $(zid_build_name "$build")"
prefix=$(cd "$build" && pwd)/wineprefix
exec "$root/cmake/pty-com.sh" "$bits" "$prefix" \
  "$root/cmake/soak-session.sh" "$bits" "$prefix" "$(cd "$build" && pwd)/bin" "$lines"
