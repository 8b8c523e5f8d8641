#!/usr/bin/env bash
# Keeps one persistent wineserver warm for the length of a test run.
#   wine-session.sh start|stop BITS PREFIX
# A warm server turns a Wine start from seconds into a fraction of one.
# Only the server this script started is stopped, through its own prefix.
set -u
cmd=$1; bits=$2; prefix=$3
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$prefix WINEDEBUG=-all
server=/usr/lib/wine/wineserver
case $cmd in
  start)
    # Creates the prefix if needed (a no-op program run through the wrapper).
    "$here/wine-run.sh" "$bits" "$prefix" cmd /c exit 0 >/dev/null 2>&1
    rc=$?
    [ $rc = 77 ] && exit 0
    "$server" -w
    "$server" -p -f >/dev/null 2>&1 &
    echo $! > "$prefix.server.pid"
    # Start Wine's own services (services.exe, plugplay, explorer) now, with
    # their output going nowhere: the first program of a session starts them
    # and they inherit its output, which would keep ctest waiting on the
    # test's pipe until the server ends.
    "$here/wine-run.sh" "$bits" "$prefix" cmd /c exit 0 >/dev/null 2>&1 </dev/null
    exit 0 ;;
  stop)
    [ -f "$prefix.server.pid" ] || exit 0
    pid=$(cat "$prefix.server.pid")
    "$server" -k >/dev/null 2>&1
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$prefix.server.pid"
    exit 0 ;;
esac
