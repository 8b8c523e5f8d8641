#!/usr/bin/env bash
# Builds every preset and runs every test.
#   native: the portable core on Linux under ASan and UBSan;
#   win32:  the product (PE32 i386 DLL) and its binary checks; its Wine tests
#           run where the kernel can execute 32-bit programs, and are reported
#           as skipped where it cannot;
#   win64:  the same sources built PE32+, run under 64-bit Wine;
#   tsan:   the sharing stress test under ThreadSanitizer (clang);
#   fuzz:   each libFuzzer target for about 60 s (clang, ASan and UBSan).
set -u
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
mkdir -p build
status=0
start=$(date +%s)
for preset in native win32 win64 tsan fuzz; do
  echo "=== $preset: configure and build"
  t0=$(date +%s)
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j 2; } > "build/$preset.log" 2>&1; then
    tail -40 "build/$preset.log"; echo "=== $preset: BUILD FAILED"; status=1; continue
  fi
  echo "=== $preset: built in $(( $(date +%s) - t0 )) s; testing"
  t0=$(date +%s)
  if [ "$preset" = win64 ] || [ "$preset" = win32 ]; then
    # Dialog tests need an X display; one Xvfb serves the whole run.
    xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset "$preset" || status=1
  else
    ctest --preset "$preset" || status=1
  fi
  echo "=== $preset: tested in $(( $(date +%s) - t0 )) s"
done
echo "=== all presets done in $(( $(date +%s) - start )) s, status $status"
exit $status
