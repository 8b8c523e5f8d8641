#!/usr/bin/env bash
# Runs the serial line benchmarks under Wine on a socat pty pair.
#   bench/serial/bench.sh [BUILD_DIR] [serial_bench arguments...]
# BUILD_DIR is a configured and built Windows tree (default build/win32 where
# this machine runs 32-bit programs, else build/win64); no ctest run may use
# its Wine prefix meanwhile, since the warm wineserver this script starts for
# the run is stopped at the end.
# Without arguments: latency 200, burst 1000, readbyte 1000.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/cmake/win-build.sh"
build=$(cd "${1:-$root/$(zid_default_win_build)}" && pwd) || exit 1
[ $# -gt 0 ] && shift
bits=$(zid_build_bits "$build")
echo "serial bench: $build, $(zid_build_name "$build")"
prefix=$build/wineprefix
"$root/cmake/wine-session.sh" start "$bits" "$prefix"
trap '"$root/cmake/wine-session.sh" stop "$bits" "$prefix"' EXIT
"$root/cmake/pty-com.sh" "$bits" "$prefix" "$root/cmake/wine-run.sh" "$bits" "$prefix" "$build/bin/serial_bench.exe" "$@"
