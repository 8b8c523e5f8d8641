#!/usr/bin/env bash
# Makes the release package an integrator takes to site,
#   dist/zid12-driver-VERSION-win32.zip,
# from the win32 build (built first where needed), and prints its path as the
# last line. One commit always gives the same zip, byte for byte: the entries
# carry the commit's time, fixed permissions and a fixed order, and the
# binaries hold no build time and no checkout path.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
say() { echo "package: $*" >&2; }

bash scripts/setup.sh >&2
if epoch=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    say "warning: uncommitted changes; this is not the package of commit $(git rev-parse --short HEAD)"
elif [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  say "not a git checkout: set SOURCE_DATE_EPOCH to the sources' time"; exit 1
fi

build=$root/build/win32
mkdir -p build
say "building the win32 preset (log: $build.package.log)"
if ! { cmake --preset win32 && cmake --build --preset win32 -j 2; } > "$build.package.log" 2>&1; then
  tail -30 "$build.package.log" >&2; say "build failed"; exit 1
fi

version=$(sed -n 's/^#define ZID_VERSION_STRING "\(.*\)"$/\1/p' "$build/generated/driver/version.h")
[ -n "$version" ] || { say "no version in $build/generated/driver/version.h"; exit 1; }
changes=$(grep -m1 '^## ' CHANGES.md || true)
case "$changes" in
  "## $version" | "## $version "*) ;;
  *) say "CHANGES.md begins with '$changes', not with this version, $version"; exit 1 ;;
esac

stage=$build/package
rm -rf "$stage"
mkdir -p "$stage/debug" "$stage/tools" "$stage/docs"
cp "$build/release/ZIZEZOZU.DLL" "$stage/"
cp "$build/release/debug/ZIZEZOZU.DLL.debug" "$stage/debug/"
cp "$build/release/tools/zidhost.exe" "$build/release/tools/zidpanel.exe" \
   "$build/release/tools/QELMAR.dll" "$stage/tools/"
cp docs/install.md docs/log-messages.md docs/panel-lines.md docs/text-files.md "$stage/docs/"
cp README.md CHANGES.md "$stage/"
bash tests/driver/check_binary.sh "$build/bin/ZIZEZOZU.DLL" i686-w64-mingw32 32 "$stage/ZIZEZOZU.DLL" >&2

cd "$stage"
files=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
# shellcheck disable=SC2086  # the names hold no blanks
sha256sum $files > SHA256SUMS
chmod 644 $files SHA256SUMS
find . -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$root/dist"
zip=$root/dist/zid12-driver-$version-win32.zip
rm -f "$zip"
# DOS times in UTC; -X: no owner or extra time fields; -D: no folder entries.
printf '%s\n' $files SHA256SUMS | LC_ALL=C sort | TZ=UTC zip -X -D -9 -q "$zip" -@
say "$(unzip -Z1 "$zip" | wc -l) files, $(stat -c %s "$zip") bytes, sha256 $(sha256sum < "$zip" | cut -c1-64)"
echo "$zip"
