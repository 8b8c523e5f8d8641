#!/usr/bin/env bash
# The released driver is the same, byte for byte, wherever and whenever it is
# built from the same sources: builds it again from a copy of the sources at
# another path, in another build folder, and compares the DLL and its debug
# file with this build's.
#   check_reproducible.sh SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE BUILD_TYPE
set -u
src=$1; build=$2; toolchain=$3; type=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/copy"
tar -C "$src" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$work/copy" -xf - \
  || { echo "FAIL: cannot copy the sources"; exit 1; }
start=$(date +%s)
if ! { cmake -S "$work/copy" -B "$work/other-build" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
             -DCMAKE_TOOLCHAIN_FILE="$work/copy/${toolchain#"$src"/}" &&
       cmake --build "$work/other-build" --target zid_release_driver -j 2; } > "$work/log" 2>&1; then
  tail -30 "$work/log"; echo "FAIL: the second build failed"; exit 1
fi
echo "second build from $work/copy took $(( $(date +%s) - start )) s"
fail=0
for file in ZIZEZOZU.DLL debug/ZIZEZOZU.DLL.debug; do
  if cmp "$build/release/$file" "$work/other-build/release/$file"; then
    echo "same: $file $(sha256sum < "$build/release/$file" | cut -c1-16)"
  else
    echo "FAIL: $file differs between the two builds"; fail=1
  fi
done
exit $fail
