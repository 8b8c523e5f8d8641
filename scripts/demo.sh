#!/usr/bin/env bash
# The main job, end to end: a panel on one end of a serial line, the driver
# and the host on the other.
#
#   zidpanel (COMp) --pty pair--> (COMd) ZIZEZOZU.DLL in zidhost, with the stand-in QELMAR.dll
#
# It makes a pty pair mapped as two COM ports of the build's private Wine
# prefix, starts zidhost with the driver on one port and tools/demo/tags.txt,
# starts zidpanel on the other with tools/demo/scenario.txt, and prints the
# timeline. zidhost keeps the commissioning records: the session journal, the
# walk-test report and a capture of every line read, which is then replayed
# into a second run. A summary (zidcheck) compares what the panel sent with
# what the gates, the status words and the walk-test report show, and the
# replay's report with the first. Exit status: 0 all agree, 1 a mismatch or a
# failure, 77 this machine cannot run the chosen build. The records stay in
# BUILD/demo-records/.
#
# Environment (the ctest that runs this sets them):
#   ZID_DEMO_BUILD=DIR  ZID_DEMO_BITS=32|64   use that Windows build as it is:
#                                             no setup, no build
#   ZID_DEMO_KEEP=1                           keep the run's folder
# Only processes this script started are stopped, by their PID.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
t_start=$(date +%s.%N)

note() { printf '%s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

# --- Which build -------------------------------------------------------------
if [ -n "${ZID_DEMO_BUILD:-}" ]; then
  build=$ZID_DEMO_BUILD
  bits=${ZID_DEMO_BITS:-64}
  if [ "$bits" = 32 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "SKIP: this kernel cannot execute 32-bit programs, so the 32-bit build cannot run here"
    exit 77
  fi
else
  bash "$root/scripts/setup.sh" || fail "setup failed"
  # The product is the 32-bit build; where this kernel cannot run 32-bit
  # Wine, its 64-bit twin (the same sources) runs the demo instead.
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then preset=win32; bits=32
  else preset=win64; bits=64; fi
  build=$root/build/$preset
  mkdir -p "$root/build"
  note "== building the $preset preset (zidhost, zidpanel, zidcheck, ZIZEZOZU.DLL, QELMAR.dll)"
  if ! { cmake --preset "$preset" -S "$root" && \
         cmake --build "$build" -j 2 --target zidhost zidpanel zidcheck; } > "$root/build/demo-build.log" 2>&1; then
    tail -30 "$root/build/demo-build.log"
    fail "the build failed (build/demo-build.log)"
  fi
fi
bin=$build/bin
for f in zidhost.exe zidpanel.exe zidcheck.exe ZIZEZOZU.DLL QELMAR.dll; do
  [ -f "$bin/$f" ] || fail "$bin/$f is missing: build the tools first"
done

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "$bits" = 32 ]; then export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
else export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64; fi

# The prefix (made on first use) and Wine's own services, started now with
# their output going nowhere.
"$root/cmake/wine-run.sh" "$bits" "$WINEPREFIX" cmd /c exit 0 > /dev/null 2>&1 < /dev/null
rc=$?
[ $rc = 77 ] && { echo "SKIP: Wine cannot run the $bits-bit build here"; exit 77; }
[ $rc = 0 ] || fail "Wine does not start in $WINEPREFIX"

# --- The serial line and the run's folder ------------------------------------
work=$(mktemp -d "$build/demo-run.XXXXXX")
host_pid=
cleanup() {
  if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then
    kill "$host_pid" 2>/dev/null
    wait "$host_pid" 2>/dev/null
  fi
  pty_lines_close
  [ -n "${ZID_DEMO_KEEP:-}" ] || rm -rf "$work"
}
# shellcheck source=../cmake/pty-com.sh
. "$root/cmake/pty-com.sh"
trap cleanup EXIT
pty_lines_open "$bits" "$WINEPREFIX" 1 2> "$work/pty.err" || { cat "$work/pty.err" >&2; fail "no serial line"; }
cp "$root/tools/demo/tags.txt" "$root/tools/demo/scenario.txt" "$work/"
cd "$work" || fail "no run folder"

# --- The host, then the panel --------------------------------------------------
# run_host NAME [zidhost options...]: zidhost in the background on the driver's
# port with the demo's tags; it stops when NAME.stop appears.
run_host() {
  local name=$1; shift
  "$WINELOADER" "$bin/zidhost.exe" --port "$ZID_DRIVER_COM" --tags tags.txt \
      --stop-file "$name.stop" "$@" > "$name.out" 2> "$name.err" < /dev/null &
  host_pid=$!
  # Ready: channel started and tags registered; the receiver thread then
  # settles for a second before its first look at the port.
  for _ in $(seq 300); do
    grep -q '] ready ' "$name.out" 2>/dev/null && break
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '] ready ' "$name.out" 2>/dev/null || { cat "$name.out" "$name.err" >&2; fail "zidhost did not get ready"; }
  sleep 1.1
}
# stop_host NAME LINES: once the driver has read LINES lines (accepted or
# refused), stop zidhost; its exit status goes to NAME.rc.
stop_host() {
  local name=$1 lines=$2 seen
  for _ in $(seq 200); do
    seen=$(grep -c -e '] panel ' -e 'Got Illegal length Msg' "$name.out")
    [ "$seen" -ge "$lines" ] && break
    sleep 0.1
  done
  touch "$name.stop"
  for _ in $(seq 200); do
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  wait "$host_pid"
  echo $? > "$name.rc"
  host_pid=
}

run_host host --state-file state.txt --log driver.log --report report --capture capture.txt \
    --site-name "ZID-12 demo" --operator "demo.sh"
"$WINELOADER" "$bin/zidpanel.exe" --port "$ZID_PANEL_COM" --scenario scenario.txt \
    --expect expect.txt > panel.out 2> panel.err < /dev/null \
  || { cat panel.out panel.err >&2; fail "zidpanel failed"; }
sent=$(sed -n 's/^sent \([0-9][0-9]*\) line.*/\1/p' panel.out)
stop_host host "${sent:-0}"

# The capture replayed into a run of its own, back to back.
captured=$(grep -c -e '^raw ' capture.txt)
run_host replay --report replay-report
"$WINELOADER" "$bin/zidpanel.exe" --port "$ZID_PANEL_COM" --scenario capture.txt --speed 0 \
    > replay-panel.out 2> replay-panel.err < /dev/null \
  || { cat replay-panel.out replay-panel.err >&2; fail "the replay failed"; }
stop_host replay "$captured"

records=$build/demo-records
rm -rf "$records" && mkdir -p "$records"
cp -r report capture.txt "$records/"

# --- What happened ----------------------------------------------------------------
note "== ZID-12 demo: zidpanel -> pty pair -> ZIZEZOZU.DLL in zidhost -> stand-in host"
note "   build $build ($bits-bit), ports $ZID_DRIVER_COM (driver) and $ZID_PANEL_COM (panel)"
note ""
note "== what the panel sent (zidpanel)"
sed 's/^/   /' panel.out
note ""
note "== timeline (zidhost): driver log, panel lines, gates, status words"
sed 's/^/   /' host.out
if [ -s host.err ]; then
  note ""
  note "== zidhost errors"
  sed 's/^/   /' host.err
fi

note ""
note "== walk test (zidhost --report)"
sed -n 's/^\[ *[0-9.]*\] report walk test: /   verdict: /p' host.out
note "   record to print and sign: $records/report/walk-test.html"
note "   kept in $records: report/walk-test.html, report/walk-test.md, report/walk-test.csv, report/events.csv, capture.txt"
note "   replay of capture.txt ($captured lines, zidpanel --speed 0): exit $(cat replay.rc), $(sed -n 's/^\[ *[0-9.]*\] report walk test: //p' replay.out)"

note ""
note "== summary: what the panel sent against what the host shows"
elapsed=$(awk -v a="$t_start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
"$WINELOADER" "$bin/zidcheck.exe" --expect expect.txt --state state.txt --log driver.log \
    --timeline host.out --sent "${sent:-0}" --host-exit "$(cat host.rc)" --seconds "$elapsed" \
    --tags tags.txt --walk-test report/walk-test.csv --replay-walk-test replay-report/walk-test.csv \
    < /dev/null
