#!/usr/bin/env bash
# Runs a command with a serial line between two COM ports of a Wine prefix.
#   pty-com.sh PREFIX command [args...]
# socat makes a pty pair; one end is linked as COMd ("the driver's port"),
# the other as COMp ("the panel's port") in PREFIX/dosdevices. The command
# gets their names in ZID_DRIVER_COM and ZID_PANEL_COM. Numbers are claimed
# under a lock, so tests running at once get ports of their own. Afterwards
# only what this script made is removed: its socat (by PID), its two links,
# its folder. The command's exit status is passed on (77: skipped).
set -u
prefix=$1; shift
devices=$prefix/dosdevices
first=${ZID_PTY_FIRST_COM:-20}
last=${ZID_PTY_LAST_COM:-250}

if ! command -v socat >/dev/null; then
  echo "SKIP: socat is not installed" >&2
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zid-pty.XXXXXX")
socat_pid=
links=()

cleanup() {
  if [ -n "$socat_pid" ]; then
    kill "$socat_pid" 2>/dev/null
    wait "$socat_pid" 2>/dev/null
  fi
  for l in "${links[@]}"; do rm -f "$l"; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

socat pty,rawer,link="$work/driver" pty,rawer,link="$work/panel" 2>"$work/socat.log" &
socat_pid=$!
for _ in $(seq 100); do
  [ -e "$work/driver" ] && [ -e "$work/panel" ] && break
  sleep 0.05
done
if ! [ -e "$work/driver" ] || ! [ -e "$work/panel" ]; then
  echo "pty-com: socat made no pty pair" >&2
  cat "$work/socat.log" >&2
  exit 1
fi

# Claim two free COM numbers. A link whose target is gone was left by a run
# that was killed; it is taken over.
mkdir -p "$devices"
claim() {
  local n
  for n in $(seq "$first" "$last"); do
    local l=$devices/com$n
    if [ -L "$l" ] && ! [ -e "$l" ]; then rm -f "$l"; fi
    if ln -s "$1" "$l" 2>/dev/null; then
      echo "$n"
      return 0
    fi
  done
  return 1
}
exec 9>"$prefix.pty.lock"
flock 9
driver_n=$(claim "$(readlink -f "$work/driver")") && links+=("$devices/com$driver_n")
panel_n=$(claim "$(readlink -f "$work/panel")") && links+=("$devices/com$panel_n")
flock -u 9
exec 9>&-
if [ -z "${driver_n:-}" ] || [ -z "${panel_n:-}" ]; then
  echo "pty-com: no free COM number between $first and $last" >&2
  exit 1
fi

export ZID_DRIVER_COM=COM$driver_n ZID_PANEL_COM=COM$panel_n
echo "pty-com: $ZID_DRIVER_COM <-> $ZID_PANEL_COM (socat $socat_pid)" >&2
"$@" &
child=$!
trap 'kill "$child" 2>/dev/null; exit 143' TERM INT HUP
wait "$child"
exit $?
