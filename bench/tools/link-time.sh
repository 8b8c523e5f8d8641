#!/usr/bin/env bash
# How long zidhost takes to show that a channel's port stopped answering, and
# to show it answering again once a port is back, with --reopen-every 1. The
# driver's pty is taken away (its socat ended, as a USB-serial adapter pulled
# out) and, a while after zidhost has shown the loss, a new pty is linked under
# the same COM name (the adapter plugged back in). Times are taken when each
# timeline line reaches zidhost's output file. One line per round:
#   loss: socat ended -> PORT NOT ANSWERING shown
#   back: new pty linked -> "port answers again" shown (mostly the wait for
#         the next try: 1, 2, 4 ... s apart), and the try that brought it back
#   try:  that try's command line -> "port answers again" (zidhost's own stamps)
#
#   link-time.sh BITS PREFIX BINDIR [ROUNDS]     (default 6)
#
# A wineserver that Wine starts by itself takes the driver's pty as its
# controlling terminal and, when the pty goes away, is hung up and floods its
# output; a warm one (cmake/wine-session.sh) is not. So one is started here
# for the prefix when none runs, and stopped at the end. Only the processes
# this script started are ended, by PID.
set -u
bits=$1; prefix=$2; bin=$3; rounds=${4:-6}
here=$(cd "$(dirname "$0")" && pwd)
cmake_dir=$here/../../cmake
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-link-time.XXXXXX")
host=; stamper=; session=
cleanup() {
  [ -n "$host" ] && kill "$host" 2>/dev/null && wait "$host" 2>/dev/null
  [ -n "$stamper" ] && wait "$stamper" 2>/dev/null
  [ -n "${ZID_LINE1_SOCAT:-}" ] && pty_line_cut 1
  pty_lines_close
  [ -n "$session" ] && "$cmake_dir/wine-session.sh" stop "$bits" "$prefix"
  rm -rf "$work"
}
# shellcheck source=../../cmake/pty-com.sh
. "$cmake_dir/pty-com.sh"
trap cleanup EXIT
if [ ! -f "$prefix.server.pid" ]; then
  "$cmake_dir/wine-session.sh" start "$bits" "$prefix" && session=1
fi
pty_lines_open "$bits" "$prefix" 1 2> "$work/pty.err" || { cat "$work/pty.err" >&2; exit 1; }
cd "$work" || exit 1
now() { date +%s.%N; }

mkfifo typed.fifo
"$cmake_dir/wine-run.sh" "$bits" "$prefix" "$bin/zidhost.exe" --port "$ZID_DRIVER_COM" --reopen-every 1 \
  < typed.fifo > host.out 2>&1 &
host=$!
exec 7> typed.fifo
# Each line of the timeline with the moment it arrived.
tail -n +1 --pid="$host" -F host.out 2>/dev/null | while IFS= read -r line; do
  printf '%s %s\n' "$(now)" "$line"
done > stamped.txt &
stamper=$!
# until_nth N PATTERN: the arrival time of the Nth line matching PATTERN.
until_nth() {
  for _ in $(seq 1500); do
    local t
    t=$(grep -E -- "$2" stamped.txt | sed -n "$1{s/ .*//p}")
    [ -n "$t" ] && { echo "$t"; return 0; }
    sleep 0.01
  done
  return 1
}
until_nth 1 '\] ready ' > /dev/null || { echo "zidhost did not start" >&2; cat host.out >&2; exit 1; }
sleep 1.5  # the receiver settles for a second before its first look at the port

# How long after the loss is shown the new pty comes: before the first try
# and between later ones, so each round waits for a different try.
delays=(0.3 1.5 2.5 4.5 0.8 3.5)
for r in $(seq "$rounds"); do
  delay=${delays[$(((r - 1) % ${#delays[@]}))]}
  t_cut=$(now)
  pty_line_cut 1
  t_lost=$(until_nth "$r" 'PORT NOT ANSWERING') || { echo "round $r: no loss shown" >&2; break; }
  sleep "$delay"
  pty_line_renew 1
  t_link=$(now)
  t_back=$(until_nth "$r" 'port answers again') || { echo "round $r: not back" >&2; break; }
  back_line=$(grep 'port answers again' host.out | sed -n "${r}p")
  try=$(sed -nE 's/.*\(re-open try ([0-9]+)\).*/\1/p' <<<"$back_line")
  # zidhost's own stamps: the successful try's command line and the return.
  z_back=$(sed -nE 's/^\[ *([0-9.]+)\].*/\1/p' <<<"$back_line")
  z_try=$(grep -E "re-open try $try .*result 0" host.out | tail -1 | sed -nE 's/^\[ *([0-9.]+)\].*/\1/p')
  awk -v r="$r" -v c="$t_cut" -v l="$t_lost" -v k="$t_link" -v b="$t_back" -v d="$delay" \
      -v t="$try" -v zt="${z_try:-0}" -v zb="${z_back:-0}" 'BEGIN {
    printf "round %d: loss %.0f ms; new pty %.1f s after the loss was shown, back %.2f s after it " \
           "(re-open try %s); try -> answers again %.0f ms\n", r, (l - c) * 1000, d, b - k, t, (zb - zt) * 1000 }'
  sleep 1
done
echo "quit" >&7
exec 7>&-
wait "$host"
host=
