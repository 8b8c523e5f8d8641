#!/usr/bin/env bash
# Which Windows build a script runs, sourced by scripts/bench.sh and
# scripts/soak.sh.
#   zid_default_win_build   build/win32 (the i386 product) where this machine
#                           can execute 32-bit programs, else build/win64
#                           (its PE32+ twin under 64-bit Wine)
#   zid_build_bits DIR      32 or 64: the bit width a configured build makes,
#                           from the toolchain it was configured with
#   zid_build_name DIR      how figures name the build: "win32 (PE32 i386,
#                           32-bit Wine)" or "win64 (PE32+ twin, 64-bit Wine)"

zid_can_run_32() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

zid_default_win_build() {
  if zid_can_run_32; then echo build/win32; else echo build/win64; fi
}

zid_build_bits() {
  local cache=$1/CMakeCache.txt
  if [ -f "$cache" ] && grep -q '^CMAKE_TOOLCHAIN_FILE.*mingw-x86_64' "$cache"; then echo 64
  elif [ -f "$cache" ] && grep -q '^CMAKE_TOOLCHAIN_FILE.*mingw-i686' "$cache"; then echo 32
  else case $1 in *win32*) echo 32 ;; *) echo 64 ;; esac
  fi
}

zid_preset_of() { [ "$(zid_build_bits "$1")" = 32 ] && echo win32 || echo win64; }

zid_build_name() {
  if [ "$(zid_build_bits "$1")" = 32 ]; then echo "win32 (PE32 i386, 32-bit Wine)"
  else echo "win64 (PE32+ twin of the product, 64-bit Wine)"; fi
}
