#!/usr/bin/env bash
# Runs one scenario of the dialog test program under an X server of its own
# (Xvfb) and Wine.
#   run-dialog.sh BITS PREFIX PROGRAM SCENARIO [SCREENSHOT.png]
# ZID_DIALOG_DLL names the driver file the program loads (default ZIZEZOZU.DLL).
#
# The dialog tests use a Wine prefix of their own, with a wineserver that
# lives for one test only. A warm server that was started without a display,
# or with another test's display, owns the desktop window, and new windows
# then cannot be created reliably. The tests of that prefix hold a ctest
# RESOURCE_LOCK, so they never overlap.
#
# With a screenshot path, the program pauses once the dialog shows its
# filled-in state; this script then photographs the dialog's window.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bits=$1; prefix=$2; program=$3; scenario=$4; png=${5:-}

if [ -z "${ZID_UNDER_XVFB:-}" ]; then
  if [ "$bits" = 32 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "SKIP: this kernel cannot execute 32-bit programs, so 32-bit Wine cannot run here" >&2
    exit 77
  fi
  export ZID_UNDER_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
server=/usr/lib/wine/wineserver
stop_server() {
  "$server" -k >/dev/null 2>&1
  "$server" -w >/dev/null 2>&1
}
# Leftovers of an earlier run of this prefix that was killed (a timeout).
stop_server

shot_dir=
if [ -n "$png" ]; then
  shot_dir=$(mktemp -d)
  # The program sees the Unix root as drive Z:.
  export ZID_SCREENSHOT_READY="Z:$(printf '%s' "$shot_dir/ready" | tr / '\\')"
  export ZID_SCREENSHOT_TAKEN="Z:$(printf '%s' "$shot_dir/taken" | tr / '\\')"
fi

"$root/cmake/wine-run.sh" "$bits" "$prefix" "$program" "$scenario" ${ZID_DIALOG_DLL:+"$ZID_DIALOG_DLL"} &
pid=$!

shot_failed=0
if [ -n "$png" ]; then
  for _ in $(seq 900); do
    [ -e "$shot_dir/ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -e "$shot_dir/ready" ]; then
    sleep 0.5  # let the dialog finish painting
    id=$(xdotool search --name '^Tag Format$' 2>/dev/null | head -n 1)
    mkdir -p "$(dirname "$png")"
    if [ -n "$id" ] && import -window "$id" "$png"; then
      echo "screenshot of the dialog: $png"
    else
      echo "the screenshot could not be taken (window '${id:-none}')" >&2
      shot_failed=1
    fi
  else
    echo "the program never reached the screenshot point" >&2
    shot_failed=1
  fi
  touch "$shot_dir/taken"
fi

wait "$pid"
rc=$?
stop_server
[ -n "$shot_dir" ] && rm -rf "$shot_dir"
if [ "$rc" = 0 ] && [ "$shot_failed" = 1 ]; then rc=1; fi
exit "$rc"
