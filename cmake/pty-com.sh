#!/usr/bin/env bash
# Serial lines between COM ports of a Wine prefix, made of pseudo-terminals.
#
# As a program: runs a command with N lines (ZID_PTY_LINES, default 1).
#   pty-com.sh BITS PREFIX command [args...]
# Sourced (by scripts/demo.sh): two functions.
#   pty_lines_open BITS PREFIX [N]   make N lines now
#   pty_lines_close                  remove them; call it from your EXIT trap
# Sourced by the command that the lines were made for (it inherits their
# names), two more:
#   pty_line_cut K                   end line K's socat: the driver's port fails,
#                                    as a USB-serial adapter pulled out
#   pty_line_renew K                 a new pty pair for line K under its COM
#                                    names, as the adapter plugged back in; the
#                                    new socat is the caller's, to end with
#                                    pty_line_cut K
#
# BITS (32 or 64) is the Wine the prefix is for: a prefix that does not exist
# yet is made first, through wine-run.sh, before any port is linked into it.
#
# Each line is a socat pty pair; one end is linked as COMd ("the driver's
# port"), the other as COMp ("the panel's port") in PREFIX/dosdevices. Line k
# (from 1) is named in ZID_LINEk_DRIVER and ZID_LINEk_PANEL; line 1 also in
# ZID_DRIVER_COM and ZID_PANEL_COM, its socat's PID in ZID_LINEk_SOCAT.
# Numbers are claimed under a lock, so runs at the same time get ports of
# their own. Only what this made is removed: its socat processes (by PID; one
# a pty_line_cut has ended is left alone), its links, its folder. As a program it passes
# the command's exit status on (77: skipped, also when Wine of that bit width
# cannot run here).

_pty_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

_pty_pids=()
_pty_links=()
_pty_work=

pty_lines_close() {
  local pid l
  for pid in "${_pty_pids[@]}"; do
    # Ended already: its number may belong to another process by now.
    grep -qx "$pid" "$_pty_work/ended" 2>/dev/null && continue
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  for l in "${_pty_links[@]}"; do rm -f "$l"; done
  [ -n "$_pty_work" ] && rm -rf "$_pty_work"
  _pty_pids=(); _pty_links=(); _pty_work=
}

# Claims the first free COM number from 20 up for target $2 in folder $1. A
# link whose target is gone was left by a run that was killed: it is taken.
_pty_claim() {
  local devices=$1 target=$2 n l
  for n in $(seq "${ZID_PTY_FIRST_COM:-20}" "${ZID_PTY_LAST_COM:-250}"); do
    l=$devices/com$n
    if [ -L "$l" ] && ! [ -e "$l" ]; then rm -f "$l"; fi
    if ln -s "$target" "$l" 2>/dev/null; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

pty_lines_open() {
  local bits=$1 prefix=$2 count=${3:-1} devices=$2/dosdevices k rc
  if ! command -v socat >/dev/null; then
    echo "SKIP: socat is not installed" >&2
    return 77
  fi
  "$_pty_here/wine-run.sh" "$bits" "$prefix" --make-prefix
  rc=$?
  [ $rc = 0 ] || return $rc
  if ! [ -d "$devices" ]; then
    echo "pty-com: $prefix has no dosdevices folder" >&2
    return 1
  fi
  _pty_work=$(mktemp -d "${TMPDIR:-/tmp}/zid-pty.XXXXXX")
  export ZID_PTY_WORK=$_pty_work ZID_PTY_DEVICES=$devices
  for k in $(seq "$count"); do
    socat pty,rawer,link="$_pty_work/driver$k" pty,rawer,link="$_pty_work/panel$k" \
      2>"$_pty_work/socat$k.log" &
    _pty_pids+=($!)
    export "ZID_LINE${k}_SOCAT=$!"
  done
  for k in $(seq "$count"); do
    for _ in $(seq 100); do
      [ -e "$_pty_work/driver$k" ] && [ -e "$_pty_work/panel$k" ] && break
      sleep 0.05
    done
    if ! [ -e "$_pty_work/driver$k" ] || ! [ -e "$_pty_work/panel$k" ]; then
      echo "pty-com: socat made no pty pair" >&2
      cat "$_pty_work/socat$k.log" >&2
      return 1
    fi
  done
  exec 9>"$prefix.pty.lock"
  flock 9
  local driver_n panel_n failed=0
  for k in $(seq "$count"); do
    driver_n=$(_pty_claim "$devices" "$(readlink -f "$_pty_work/driver$k")") || { failed=1; break; }
    _pty_links+=("$devices/com$driver_n")
    panel_n=$(_pty_claim "$devices" "$(readlink -f "$_pty_work/panel$k")") || { failed=1; break; }
    _pty_links+=("$devices/com$panel_n")
    export "ZID_LINE${k}_DRIVER=COM$driver_n" "ZID_LINE${k}_PANEL=COM$panel_n"
    echo "pty-com: line $k: COM$driver_n <-> COM$panel_n" >&2
  done
  flock -u 9
  exec 9>&-
  if [ $failed = 1 ]; then
    echo "pty-com: no free COM number from ${ZID_PTY_FIRST_COM:-20} to ${ZID_PTY_LAST_COM:-250}" >&2
    return 1
  fi
  export ZID_DRIVER_COM=$ZID_LINE1_DRIVER ZID_PANEL_COM=$ZID_LINE1_PANEL
  return 0
}

pty_line_cut() {
  local k=$1 pid com gone=$ZID_PTY_WORK/gone$k
  pid=$(eval echo "\${ZID_LINE${k}_SOCAT:-}")
  [ -n "$pid" ] || { echo "pty-com: line $k has no socat" >&2; return 1; }
  # The line's names stay this run's while it is cut: a link whose target is
  # gone is what another run, at the same time, takes for a name a killed run
  # left behind (_pty_claim). So before the pty goes they point at an empty
  # file, which a port open refuses just as it refuses a vanished pty (the
  # line's state cannot be read): the driver finds no port until the line
  # comes back. A port already open keeps its pty, and loses it with socat.
  : > "$gone"
  for com in "$(eval echo "\${ZID_LINE${k}_DRIVER}")" "$(eval echo "\${ZID_LINE${k}_PANEL}")"; do
    ln -sfn "$gone" "$ZID_PTY_DEVICES/${com,,}"
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null  # when this shell started it
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  echo "$pid" >> "$ZID_PTY_WORK/ended"
  export "ZID_LINE${k}_SOCAT="
}

_pty_renewed=0
pty_line_renew() {
  local k=$1 d p com
  _pty_renewed=$((_pty_renewed + 1))
  d=$ZID_PTY_WORK/driver$k.$_pty_renewed p=$ZID_PTY_WORK/panel$k.$_pty_renewed
  socat pty,rawer,link="$d" pty,rawer,link="$p" 2>>"$ZID_PTY_WORK/socat$k.log" &
  export "ZID_LINE${k}_SOCAT=$!"
  for _ in $(seq 100); do [ -e "$d" ] && [ -e "$p" ] && break; sleep 0.05; done
  [ -e "$d" ] && [ -e "$p" ] || { echo "pty-com: socat made no pty pair" >&2; return 1; }
  # The names this run claimed: relinked in place, so no lock is needed.
  com=$(eval echo "\${ZID_LINE${k}_DRIVER}")
  ln -sfn "$(readlink -f "$d")" "$ZID_PTY_DEVICES/${com,,}" || return 1
  com=$(eval echo "\${ZID_LINE${k}_PANEL}")
  ln -sfn "$(readlink -f "$p")" "$ZID_PTY_DEVICES/${com,,}"
}

# As a program.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  bits=$1 prefix=$2; shift 2
  trap pty_lines_close EXIT
  pty_lines_open "$bits" "$prefix" "${ZID_PTY_LINES:-1}" || exit $?
  trap 'exit 143' TERM INT HUP
  "$@" &
  child=$!
  trap 'kill "$child" 2>/dev/null; exit 143' TERM INT HUP
  wait "$child"
  exit $?
fi
