#!/usr/bin/env bash
# One soak run between the two COM ports that pty-com.sh made:
#   zidpanel (ZID_PANEL_COM) -> pty -> ZIZEZOZU.DLL in soak_host (ZID_DRIVER_COM)
#   soak-session.sh BITS PREFIX BIN_DIR LINES [BAUD]
# The scenario is LINES panel lines cycling through every event (a reset
# every 50th line); zidpanel sends them paced at BAUD (default 65535) with no
# gap, and soak_host counts and checks them (see soak_host.cpp).
set -u
bits=$1 prefix=$2 bin=$3 lines=$4 baud=${5:-65535}
here=$(cd "$(dirname "$0")" && pwd)
run="$here/wine-run.sh $bits $prefix"
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-soak.XXXXXX")
host_pid=
cleanup() {
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then kill "$host_pid"; wait "$host_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
# Device names: COM ports above 9 open only as \\.\COMn.
driver_port='\\.\'$ZID_DRIVER_COM
panel_port='\\.\'$ZID_PANEL_COM

awk -v n="$lines" 'BEGIN {
  for (i = 0; i < n; i++) {
    l = (i * 7) % 13; d = (i * 11) % 41; z = 1 + i % 12
    if (i % 50 == 49) { print "reset"; continue }
    k = i % 10
    if (k == 0) print "fire-line", l, d
    else if (k == 1) print "fault-line", l, d
    else if (k == 2) print "fault-line-end", l, d
    else if (k == 3) print "fire-zone", z
    else if (k == 4) print "fault-zone", z
    else if (k == 5) print "fault-zone-end", z
    else if (k == 6) print "power-fault"
    else if (k == 7) print "power-fault-end"
    else if (k == 8) print "silence"
    else if (int(i / 10) % 2 == 0) print "test-start"
    else print "test-end"
  }
}' > scenario.txt

$run "$bin/soak_host.exe" --port "$driver_port" --lines "$lines" --expect expect.txt \
    > host.out 2> host.err < /dev/null &
host_pid=$!
for _ in $(seq 600); do
  grep -q '^soak: ready' host.out 2>/dev/null && break
  kill -0 "$host_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^soak: ready' host.out; then
  if ! kill -0 "$host_pid" 2>/dev/null; then
    wait "$host_pid"; rc=$?; host_pid=
    # 77: this machine cannot run the build (32-bit Wine on a 64-bit-only kernel).
    [ $rc = 77 ] && { cat host.err >&2; exit 77; }
  fi
  cat host.out host.err >&2; echo "soak: the host did not get ready" >&2; exit 1
fi
sleep 1.5  # the receiver thread settles for a second before its first look
if ! $run "$bin/zidpanel.exe" --port "$panel_port" --baud "$baud" --gap 0 \
     --scenario scenario.txt --expect expect.tmp > panel.out 2> panel.err < /dev/null; then
  tail -5 panel.out panel.err >&2; echo "soak: zidpanel failed" >&2; exit 1
fi
mv expect.tmp expect.txt
tail -1 panel.out
wait "$host_pid"
status=$?
host_pid=
cat host.out
[ -s host.err ] && head -20 host.err >&2
exit $status
