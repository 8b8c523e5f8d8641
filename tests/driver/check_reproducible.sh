#!/usr/bin/env bash
# The released driver is the same, byte for byte, wherever and whenever it is
# built from the same sources: builds it again from a copy of the sources at
# another path, in another build folder, and compares DLL and debug file.
#   check_reproducible.sh SOURCE_DIR BUILD_DIR TOOLCHAIN_FILE BUILD_TYPE
set -u
src=$1; build=$2; toolchain=$3; type=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/copy" && tar -C "$src" --exclude=./build --exclude=./dist --exclude=./.git -cf - . |
  tar -C "$work/copy" -xf - || { echo "FAIL: cannot copy the sources"; exit 1; }
start=$(date +%s)
{ cmake -S "$work/copy" -B "$work/other" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
        -DCMAKE_TOOLCHAIN_FILE="$work/copy/${toolchain#"$src"/}" &&
  cmake --build "$work/other" --target zid_release_driver -j 2; } > "$work/log" 2>&1 ||
  { tail -30 "$work/log"; echo "FAIL: the second build failed"; exit 1; }
echo "second build, in $work/other, took $(( $(date +%s) - start )) s"
fail=0
for file in ZIZEZOZU.DLL debug/ZIZEZOZU.DLL.debug; do
  cmp "$build/release/$file" "$work/other/release/$file" && echo "same: $file" || fail=1
done
exit $fail
