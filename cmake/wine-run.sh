#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build's private prefix.
#   wine-run.sh BITS PREFIX program.exe [args...]
#   wine-run.sh BITS PREFIX --make-prefix     only make the prefix, if needed
# BITS is 32 or 64. The prefix is created on first use (serialised with flock,
# since ctest may start several programs at once); this is the one place that
# makes prefixes. Wine must make a prefix's folder itself: it links the
# drives (dosdevices/c: and z:) only into a folder it has just created, and
# its first start on a folder made by someone else spins in its set-up, with
# no C: drive. So anything that puts things into a prefix (pty-com.sh links
# ports into dosdevices) has it made here first. Exit code 77 means "cannot run here": this kernel refuses 32-bit
# executables, so 32-bit Wine cannot start (ctest reports such tests as
# skipped, never as passed).
set -u
bits=$1; prefix=$2; shift 2

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "$bits" = 32 ]; then
  export WINEARCH=win32
  loader=/usr/lib/wine/wine
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "SKIP: this kernel cannot execute 32-bit programs, so 32-bit Wine cannot run here" >&2
    exit 77
  fi
else
  export WINEARCH=win64
  loader=/usr/lib/wine/wine64
fi
export WINESERVER=/usr/lib/wine/wineserver

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$loader" wineboot -i >/dev/null 2>&1 </dev/null
      "$WINESERVER" -w
      # No window manager under Xvfb: without this every dialog waits for one.
      "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      "$WINESERVER" -w
    fi
  ) 9>"$prefix.lock"
fi
[ "${1:-}" = --make-prefix ] && exit 0
if [ "${ZID_WINE_CAPTURE:-0}" = 1 ]; then
  # Under ctest: the program's output goes through a file, not ctest's pipe.
  # A Wine service that a test program happens to start inherits the
  # program's output handles and outlives it; on a pipe it would keep ctest
  # waiting until the test's timeout although the program has ended.
  out=$(mktemp "${TMPDIR:-/tmp}/zid-wine-out.XXXXXX")
  "$loader" "$@" >"$out" 2>&1
  rc=$?
  cat "$out"
  rm -f "$out"
  exit $rc
fi
exec "$loader" "$@"
