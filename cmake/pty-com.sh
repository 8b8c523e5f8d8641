#!/usr/bin/env bash
# Serial lines between COM ports of a Wine prefix, made of pseudo-terminals.
#
# As a program: runs a command with N lines (ZID_PTY_LINES, default 1).
#   pty-com.sh BITS PREFIX command [args...]
# Sourced (by scripts/demo.sh): two functions.
#   pty_lines_open BITS PREFIX [N]   make N lines now
#   pty_lines_close                  remove them; call it from your EXIT trap
#
# BITS (32 or 64) is the Wine the prefix is for: a prefix that does not exist
# yet is made first, through wine-run.sh, before any port is linked into it.
#
# Each line is a socat pty pair; one end is linked as COMd ("the driver's
# port"), the other as COMp ("the panel's port") in PREFIX/dosdevices. Line k
# (from 1) is named in ZID_LINEk_DRIVER and ZID_LINEk_PANEL; line 1 also in
# ZID_DRIVER_COM and ZID_PANEL_COM. Numbers are claimed under a lock, so runs
# at the same time get ports of their own. Only what this made is removed:
# its socat processes (by PID), its links, its folder. As a program it passes
# the command's exit status on (77: skipped, also when Wine of that bit width
# cannot run here).

_pty_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

_pty_pids=()
_pty_links=()
_pty_work=

pty_lines_close() {
  local pid l
  for pid in "${_pty_pids[@]}"; do
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
  for k in $(seq "$count"); do
    socat pty,rawer,link="$_pty_work/driver$k" pty,rawer,link="$_pty_work/panel$k" \
      2>"$_pty_work/socat$k.log" &
    _pty_pids+=($!)
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
