#!/usr/bin/env bash
# How long zidhost takes to end the run of a site of N channels when it is
# asked to: the stop file made a while after the site is ready, and --seconds
# 1. The channels are on the NUL device, so no panel is needed. Prints one
# line per count of channels; every figure is of the build in BINDIR.
#
# A receiver thread settles for a second before its first wait and again
# before it ends, so a run asked to stop within its first second takes up to
# a second longer: the stop file is made 1.5 s after "ready".
#   stop-time.sh BITS PREFIX BINDIR [N...]        (default: 1 8 32)
set -u
bits=$1; prefix=$2; bin=$3; shift 3
counts=("$@"); [ ${#counts[@]} = 0 ] && counts=(1 8 32)
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../cmake/wine-run.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-stop-time.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
now() { date +%s.%N; }
stamp() { sed -n "s/^\[ *\([0-9.]*\)\] $1 .*/\1/p" "$2" | head -1; }

for n in "${counts[@]}"; do
  : > site.ini
  for k in $(seq "$n"); do printf '[channel %d]\nport = NUL\n' "$k" >> site.ini; done
  # The stop file, made once every channel listens and has settled.
  rm -f stop
  "$run" "$bits" "$prefix" "$bin/zidhost.exe" --site site.ini --stop-file stop > file.out 2>&1 < /dev/null &
  pid=$!
  for _ in $(seq 1200); do grep -q '] ready ' file.out && break; sleep 0.05; done
  sleep 1.5
  t0=$(now); touch stop; wait "$pid"; rc1=$?; t1=$(now)
  # --seconds 1: the run stops at 1 s, or at once if the channels took longer to start.
  s0=$(now)
  "$run" "$bits" "$prefix" "$bin/zidhost.exe" --site site.ini --seconds 1 > seconds.out 2>&1 < /dev/null
  rc2=$?; s1=$(now)
  ready=$(stamp ready seconds.out); stopped=$(stamp stop seconds.out)
  awk -v n="$n" -v t0="$t0" -v t1="$t1" -v s0="$s0" -v s1="$s1" -v ready="${ready:-0}" \
      -v stopped="${stopped:-0}" -v rc1="$rc1" -v rc2="$rc2" 'BEGIN {
    asked = ready > 1 ? ready : 1
    printf "%2d channel(s): stop file to exit %.2f s (exit %d); --seconds 1: ready at %.2f s, " \
           "stopped %.2f s after the stop was due, whole run %.2f s (exit %d)\n",
           n, t1 - t0, rc1, ready, stopped - asked, s1 - s0, rc2 }'
done
