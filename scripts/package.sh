#!/usr/bin/env bash
# Makes the release package an integrator takes to site,
#   dist/zid12-driver-VERSION-win32.zip and, beside it, its SHA-256 in
#   dist/zid12-driver-VERSION-win32.zip.sha256 (to publish apart from it),
# from the win32 build (built first where needed), and prints the zip's path
# as the last line. One commit always gives the same unsigned zip, byte for
# byte: the entries carry the commit's time, fixed permissions and a fixed
# order, and the binaries hold no build time and no checkout path.
#
#   bash scripts/package.sh [--snapshot] [--from-build DIR]
#
# --snapshot         package a version CHANGES.md still calls unreleased; the
#                    zip is then named zid12-driver-VERSION-snapshot-win32.zip
# --from-build DIR   package that finished win32 build as it is, without
#                    building (the package test packages its own build tree)
#
# Signing (Authenticode, with osslsigncode), when a certificate is given:
#   ZID_SIGN_PFX=file.pfx ZID_SIGN_PASS=...              a PKCS#12 file, or
#   ZID_SIGN_CERT=cert.pem ZID_SIGN_KEY=key.pem [ZID_SIGN_PASS=...]
#   ZID_SIGN_TIMESTAMP=URL                               optional, a timestamp server
# ZIZEZOZU.DLL and every .exe are signed before SHA256SUMS is written. Without
# a timestamp server the signature carries the commit's time, so that signing
# the same commit again with the same certificate gives the same bytes.
# Certificates and keys stay wherever they are kept: never in the repository.
set -eu
say() { echo "package: $*" >&2; }
fail() { say "$*"; exit 1; }

snapshot=0 from_build=
while [ $# -gt 0 ]; do
  case $1 in
    --snapshot) snapshot=1 ;;
    --from-build)
      [ $# -ge 2 ] || fail "--from-build needs the build folder"
      from_build=$(cd "$2" 2>/dev/null && pwd) || fail "no build folder $2"
      shift ;;
    *) fail "unknown option $1 (usage: bash scripts/package.sh [--snapshot] [--from-build DIR])" ;;
  esac
  shift
done
cd "$(dirname "$0")/.."
root=$PWD

# The signing inputs are checked before anything is built.
sign=()
if [ -n "${ZID_SIGN_PFX:-}" ]; then
  [ -z "${ZID_SIGN_CERT:-}${ZID_SIGN_KEY:-}" ] || fail "give ZID_SIGN_PFX or ZID_SIGN_CERT and ZID_SIGN_KEY, not both"
  [ -r "$ZID_SIGN_PFX" ] || fail "cannot read ZID_SIGN_PFX $ZID_SIGN_PFX"
  [ -n "${ZID_SIGN_PASS+set}" ] || fail "ZID_SIGN_PFX needs its password in ZID_SIGN_PASS (empty for none)"
  sign=(-pkcs12 "$ZID_SIGN_PFX")
elif [ -n "${ZID_SIGN_CERT:-}${ZID_SIGN_KEY:-}" ]; then
  [ -n "${ZID_SIGN_CERT:-}" ] && [ -n "${ZID_SIGN_KEY:-}" ] || fail "ZID_SIGN_CERT and ZID_SIGN_KEY go together"
  [ -r "$ZID_SIGN_CERT" ] || fail "cannot read ZID_SIGN_CERT $ZID_SIGN_CERT"
  [ -r "$ZID_SIGN_KEY" ] || fail "cannot read ZID_SIGN_KEY $ZID_SIGN_KEY"
  sign=(-certs "$ZID_SIGN_CERT" -key "$ZID_SIGN_KEY")
elif [ -n "${ZID_SIGN_TIMESTAMP:-}" ]; then
  fail "ZID_SIGN_TIMESTAMP without a certificate (ZID_SIGN_PFX, or ZID_SIGN_CERT and ZID_SIGN_KEY)"
fi

version=$(sed -n 's/^project(zid12 VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
changes=$(grep -m1 '^## ' CHANGES.md || true)
case "$changes" in
  "## $version" | "## $version "*) ;;
  *) fail "CHANGES.md begins with '$changes', not with this version, $version" ;;
esac
if echo "$changes" | grep -qi 'unreleased'; then
  [ $snapshot = 1 ] || fail "CHANGES.md says $version is unreleased ('$changes'): put the release date \
in its place to release it, or make a snapshot with bash scripts/package.sh --snapshot"
fi
name=zid12-driver-$version-win32
[ $snapshot = 0 ] || name=zid12-driver-$version-snapshot-win32
zip=$root/dist/$name.zip
# A package that fails leaves no older zip of its name behind to be taken for it.
rm -f "$zip" "$zip.sha256"

if [ ${#sign[@]} -gt 0 ] || [ -z "$from_build" ]; then
  bash scripts/setup.sh >&2
fi
if epoch=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    say "warning: uncommitted changes; this is not the package of commit $(git rev-parse --short HEAD)"
elif [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  fail "not a git checkout: set SOURCE_DATE_EPOCH to the sources' time"
fi

if [ -n "$from_build" ]; then
  build=$from_build
else
  build=$root/build/win32
  mkdir -p build
  say "building the win32 preset (log: $build.package.log)"
  if ! { cmake --preset win32 && cmake --build --preset win32 -j 2; } > "$build.package.log" 2>&1; then
    tail -30 "$build.package.log" >&2; fail "build failed"
  fi
fi
built=$(sed -n 's/^#define ZID_VERSION_STRING "\(.*\)"$/\1/p' "$build/generated/driver/version.h" 2>/dev/null || true)
[ "$built" = "$version" ] || fail "the build in $build is of version '$built', the sources of $version"

stage=$(mktemp -d "${TMPDIR:-/tmp}/zid-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/debug" "$stage/tools" "$stage/docs"
cp "$build/release/ZIZEZOZU.DLL" "$stage/"
cp "$build/release/debug/ZIZEZOZU.DLL.debug" "$stage/debug/"
cp "$build/release/tools/zidhost.exe" "$build/release/tools/zidpanel.exe" \
   "$build/release/tools/QELMAR.dll" "$stage/tools/"
cp docs/install.md docs/log-messages.md docs/panel-lines.md docs/text-files.md "$stage/docs/"
cp README.md CHANGES.md "$stage/"

# What the documents link to comes along (from docs/, where the package keeps
# its documents, as they lie in the sources), and what that links to in turn:
# the package holds no dead link.
queue=$(cd "$stage" && find . -name '*.md' | sed 's|^\./||' | LC_ALL=C sort)
while [ -n "$queue" ]; do
  md=${queue%%$'\n'*}
  [ "$md" = "$queue" ] && queue= || queue=${queue#*$'\n'}
  while IFS=$'\t' read -r _ target; do
    file=$(realpath -m --relative-to="$root" "$root/$(dirname "$md")/$target")
    [ -f "$stage/$file" ] && continue
    case $file in
      *[[:space:]]*) fail "$md links to '$target': no blanks in the names of shipped files" ;;
      docs/*) [ -f "$file" ] || fail "$md links to $target, which does not exist" ;;
      *) fail "$md links to $target, outside docs/: the package would carry a dead link; link to it otherwise" ;;
    esac
    mkdir -p "$stage/$(dirname "$file")"
    cp "$file" "$stage/$file"
    case $file in *.md) queue=$file${queue:+$'\n'$queue} ;; esac
  done < <(bash scripts/md-links.sh "$stage/$md" | sed "s|^$stage/||")
done

cd "$stage"
if [ ${#sign[@]} -gt 0 ]; then
  command -v osslsigncode >/dev/null || fail "osslsigncode is needed to sign (apt-get install osslsigncode)"
  # The password goes through a pipe, not the command line that ps shows; an
  # empty one is no password at all.
  [ -z "${ZID_SIGN_PASS:-}" ] || sign+=(-readpass /dev/stdin)
  if [ -n "${ZID_SIGN_TIMESTAMP:-}" ]; then
    sign+=(-ts "$ZID_SIGN_TIMESTAMP")
  else
    sign+=(-time "$SOURCE_DATE_EPOCH")
  fi
  for file in ZIZEZOZU.DLL $(find . -name '*.exe' | sed 's|^\./||' | LC_ALL=C sort); do
    printf '%s' "${ZID_SIGN_PASS:-}" |
      osslsigncode sign "${sign[@]}" -h sha256 -n "ZID-12 Fire Detection driver" \
        -in "$file" -out "$file.signed" > "$stage.sign.log" 2>&1 ||
      { cat "$stage.sign.log" >&2; rm -f "$stage.sign.log"; fail "signing $file failed"; }
    mv "$file.signed" "$file"
    signed="${signed:+$signed, }$file"
  done
  rm -f "$stage.sign.log"
  say "signed (Authenticode, SHA-256): $signed${ZID_SIGN_TIMESTAMP:+, timestamped by $ZID_SIGN_TIMESTAMP}"
else
  say "NOT SIGNED: no certificate given (ZID_SIGN_PFX and ZID_SIGN_PASS, or ZID_SIGN_CERT and ZID_SIGN_KEY)"
fi
bash "$root/tests/driver/check_binary.sh" "$build/bin/ZIZEZOZU.DLL" i686-w64-mingw32 32 "$stage/ZIZEZOZU.DLL" >&2

files=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
# shellcheck disable=SC2086  # the names hold no blanks
sha256sum $files > SHA256SUMS
chmod 644 $files SHA256SUMS
find . -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$root/dist"
# DOS times in UTC; -X: no owner or extra time fields; -D: no folder entries.
printf '%s\n' $files SHA256SUMS | LC_ALL=C sort | TZ=UTC zip -X -D -9 -q "$zip" -@
(cd "$root/dist" && sha256sum "$name.zip" > "$name.zip.sha256")
say "$(unzip -Z1 "$zip" | wc -l) files, $(stat -c %s "$zip") bytes, sha256 $(cut -c1-64 "$zip.sha256")"
echo "$zip"
