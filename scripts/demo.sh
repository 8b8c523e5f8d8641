#!/usr/bin/env bash
# The main job, end to end: a panel on one end of a serial line, the driver
# and the host on the other.
#
#   zidpanel (COMp) --pty pair--> (COMd) ZIZEZOZU.DLL in zidhost, with the stand-in QELMAR.dll
#
# It makes a pty pair mapped as two COM ports of the build's private Wine
# prefix, starts zidhost with the driver on one port and tools/demo/tags.txt,
# starts zidpanel on the other with tools/demo/scenario.txt, prints the
# timeline, and ends with a summary that compares what the panel sent with
# what the gates and status words show. Exit status: 0 all agree, 1 a
# mismatch or a failure, 77 this machine cannot run the chosen build.
#
# Environment (the ctest that runs this sets them):
#   ZID_DEMO_BUILD=DIR  ZID_DEMO_BITS=32|64   use that Windows build as it is:
#                                             no setup, no build
# Only processes this script started are stopped, by their PID.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/scripts/demo.sh
t_start=$(date +%s.%N)

note() { printf '%s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

# --- The session between the two ports (run inside pty-com.sh) ---------------
if [ "${1:-}" = __session ]; then
  bin=$2; work=$3
  cd "$work" || exit 1
  host_pid=
  stop_host() {
    if [ -n "$host_pid" ] && kill -0 "$host_pid" 2>/dev/null; then
      kill "$host_pid" 2>/dev/null
      wait "$host_pid" 2>/dev/null
    fi
  }
  trap stop_host EXIT

  echo "$ZID_DRIVER_COM $ZID_PANEL_COM" > ports.txt
  "$WINELOADER" "$bin/zidhost.exe" --port "$ZID_DRIVER_COM" --tags tags.txt \
      --stop-file stop.flag --state-file state.txt --log driver.log \
      > host.out 2> host.err < /dev/null &
  host_pid=$!

  # Ready: channel started and tags registered; the receiver thread then
  # settles for a second before its first look at the port.
  for _ in $(seq 300); do
    grep -q '] ready ' host.out 2>/dev/null && break
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q '] ready ' host.out 2>/dev/null; then
    cat host.out host.err >&2
    echo "demo: zidhost did not get ready" >&2
    exit 1
  fi
  for _ in $(seq 50); do
    grep -q 'Start Unsolicited Thread' host.out && break
    sleep 0.1
  done
  sleep 1.1

  if ! "$WINELOADER" "$bin/zidpanel.exe" --port "$ZID_PANEL_COM" --scenario scenario.txt \
        --expect expect.txt > panel.out 2> panel.err < /dev/null; then
    cat panel.out panel.err >&2
    echo "demo: zidpanel failed" >&2
    exit 1
  fi
  sent=$(sed -n 's/^sent \([0-9][0-9]*\) line.*/\1/p' panel.out)
  echo "${sent:-0}" > sent.txt

  # Every line sent is read by the driver (accepted or refused) before the
  # host is told to stop.
  for _ in $(seq 200); do
    seen=$(grep -c -e '] panel ' -e 'Got Illegal length Msg' host.out)
    [ "$seen" -ge "${sent:-0}" ] && break
    sleep 0.1
  done
  touch stop.flag
  for _ in $(seq 200); do
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  wait "$host_pid"
  rc=$?
  host_pid=
  echo "$rc" > host.rc
  exit 0
fi

# --- Which build ---------------------------------------------------------------
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
  note "== building the $preset preset (zidhost, zidpanel, ZIZEZOZU.DLL, QELMAR.dll)"
  if ! { cmake --preset "$preset" -S "$root" && \
         cmake --build "$build" -j 2 --target zidhost zidpanel; } > "$root/build/demo-build.log" 2>&1; then
    tail -30 "$root/build/demo-build.log"
    fail "the build failed (build/demo-build.log)"
  fi
fi
bin=$build/bin
for f in zidhost.exe zidpanel.exe ZIZEZOZU.DLL QELMAR.dll; do
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

work=$(mktemp -d "$build/demo-run.XXXXXX")
[ -n "${ZID_DEMO_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
cp "$root/tools/demo/tags.txt" "$root/tools/demo/scenario.txt" "$work/"

pty=$root/cmake/pty-com.sh
[ -f "$pty" ] || fail "$pty is missing"
bash "$pty" "$WINEPREFIX" bash "$self" __session "$bin" "$work" 2> "$work/session.err"
session=$?

note "== ZID-12 demo: zidpanel -> pty pair -> ZIZEZOZU.DLL in zidhost -> stand-in host"
note "   build $build ($bits-bit), ports $(cat "$work/ports.txt" 2>/dev/null || echo '?') (driver, panel)"
note ""
note "== what the panel sent (zidpanel)"
sed 's/^/   /' "$work/panel.out" 2>/dev/null
note ""
note "== timeline (zidhost): driver log, panel lines, gates, status words"
sed 's/^/   /' "$work/host.out" 2>/dev/null
if [ -s "$work/host.err" ]; then
  note ""
  note "== zidhost errors"
  sed 's/^/   /' "$work/host.err"
fi
if [ $session != 0 ]; then
  cat "$work/session.err" >&2
  fail "the session failed (status $session)"
fi

# --- Summary -------------------------------------------------------------------
note ""
note "== summary: what the panel sent against what the host shows"
elapsed=$(awk -v a="$t_start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
awk -v sent="$(cat "$work/sent.txt")" -v hostrc="$(cat "$work/host.rc")" \
    -v seen="$(grep -c -e '] panel ' -e 'Got Illegal length Msg' "$work/host.out")" \
    -v elapsed="$elapsed" '
  { sub(/\r$/, "") }
  FILENAME == ARGV[1] && $1 == "history" {                            # expect.txt
    h = $3; for (i = 4; i <= NF; i++) h = h " " $i
    hist[$2] = h; horder[++hn] = $2; next
  }
  FILENAME == ARGV[1] { expect[$1 " " $2] = $3; order[++n] = $1 " " $2; next }
  FILENAME == ARGV[2] {                                               # state.txt
    shown[$1 " " $2] = $3; if (!(($1 " " $2) in expect)) order[++n] = $1 " " $2; next
  }
  FILENAME == ARGV[3] && index($0, "Can not find gate ") {            # driver.log
    split($0, w, "Can not find gate "); missing[w[2]] = 1; next
  }
  FILENAME == ARGV[4] && index($0, "] gate ") {                       # the timeline
    for (i = 1; i <= NF; i++) if ($i == "gate") { a = $(i + 1); v = $(i + 4); break }
    if (a in seenhist) seenhist[a] = seenhist[a] " " v; else seenhist[a] = v
    next
  }
  function row(what, want, got, ok) {
    printf "   %-16s expected %-22s shown %-28s %s\n", what, want, got, ok ? "ok" : "MISMATCH"
    checks++; if (!ok) bad++
  }
  END {
    print "   final values, read through command 5:"
    for (i = 1; i <= n; i++) {
      k = order[i]; split(k, p, " ")
      want = (k in expect) ? expect[k] : (p[1] == "gate" ? "0x0000" : "?")
      if (k in shown) row(k, want, shown[k], shown[k] == want)
      else if (p[1] == "gate" && (p[2] in missing)) row(k, want, "no such gate (logged)", 1)
      else row(k, want, "nothing", 0)
    }
    print "   every change of every gate, in order (from the gate sink):"
    for (i = 1; i <= hn; i++) {
      a = horder[i]; got = (a in seenhist) ? seenhist[a] : "none"
      if (!(a in seenhist) && (a in missing)) row("changes " a, hist[a], "none: no such gate", 1)
      else row("changes " a, hist[a], got, got == hist[a])
    }
    for (a in seenhist) if (!(a in hist)) row("changes " a, "none", seenhist[a], 0)
    print "   the run:"
    row("lines", sent " sent", seen " read by the driver", sent > 0 && seen == sent)
    row("zidhost exit", "0", hostrc, hostrc == "0")
    printf "   %d checks in %s s: ", checks, elapsed
    if (bad) { printf "RESULT: MISMATCH (%d of %d checks differ)\n", bad, checks; exit 1 }
    printf "RESULT: PASS (all %d checks agree)\n", checks
  }' "$work/expect.txt" "$work/state.txt" "$work/driver.log" "$work/host.out"
