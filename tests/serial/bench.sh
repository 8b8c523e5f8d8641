#!/usr/bin/env bash
# Runs the serial line benchmarks under 64-bit Wine on a socat pty pair.
#   tests/serial/bench.sh [BUILD_DIR] [serial_bench arguments...]
# BUILD_DIR is a configured and built win64 tree (default build/win64); no
# ctest run may use its Wine prefix meanwhile, since the warm wineserver this
# script starts for the run is stopped at the end.
# Without arguments: latency 200, burst 1000, readbyte 1000.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd) || exit 1
[ $# -gt 0 ] && shift
prefix=$build/wineprefix
"$root/cmake/wine-session.sh" start 64 "$prefix"
trap '"$root/cmake/wine-session.sh" stop 64 "$prefix"' EXIT
"$root/cmake/pty-com.sh" "$prefix" "$root/cmake/wine-run.sh" 64 "$prefix" "$build/bin/serial_bench.exe" "$@"
