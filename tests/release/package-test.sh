#!/usr/bin/env bash
# package.sh on this build, from a copy of the sources: refusals, links, checksums; signed
# with a throwaway certificate: verified, the same bytes again, the signed driver loads;
# zidhost --verify-package on a clean, a changed, an incomplete and a re-summed package.
#   package-test.sh SOURCE_DIR BUILD_DIR WINEPREFIX
set -u
src=$1; build=$2; prefix=$3
run=$src/cmake/wine-run.sh
for t in osslsigncode openssl zip unzip; do command -v $t >/dev/null || { echo "SKIP: no $t"; exit 77; }; done
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT; failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
mkdir "$work/src" && tar -C "$src" --exclude=./build --exclude=./dist --exclude=./.git -cf - . |
  tar -C "$work/src" -xf - || { echo "FAIL: cannot copy the sources"; exit 1; }
export SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null || echo 1700000000)
version=$(sed -n 's/^#define ZID_VERSION_STRING "\(.*\)"$/\1/p' "$build/generated/driver/version.h")
heading() { sed -i "0,/^## .*/s//## $version — $1/" "$work/src/CHANGES.md"; }
package() { local log=$1; shift; bash "$work/src/scripts/package.sh" --from-build "$build" "$@" > "$work/$log" 2>&1; }
unpack() { rm -rf "$work/$2" && mkdir "$work/$2" && unzip -q "$1" -d "$work/$2"; }
heading unreleased
package refused.log && fail "packaged an unreleased version without --snapshot"
grep -q "says $version is unreleased" "$work/refused.log" || fail "refusal: $(cat "$work/refused.log")"
echo "[the demo](scripts/demo.sh)" >> "$work/src/README.md"
package dead.log --snapshot && fail "packaged a dead link"
grep -q "README.md links to scripts/demo.sh, outside docs/" "$work/dead.log" || fail "dead link: $(cat "$work/dead.log")"
sed -i '$d' "$work/src/README.md"

heading "2026-01-01"
package unsigned.log || { fail "unsigned package:"; cat "$work/unsigned.log"; exit 1; }
zip=$work/src/dist/zid12-driver-$version-win32.zip
grep -q "NOT SIGNED" "$work/unsigned.log" || fail "unsigned package not said to be"
(cd "$work/src/dist" && sha256sum --quiet -c "${zip##*/}.sha256") || fail "the zip's .sha256"
unpack "$zip" unsigned
(cd "$work/unsigned" && sha256sum --quiet -c SHA256SUMS) || fail "unsigned SHA256SUMS"
zipinfo "$zip" | sed '1,2d;$d' | grep -v '^-rw-r--r--' && fail "an entry is not 644"
while IFS=$'\t' read -r md target; do
  [ -f "$work/unsigned/$(dirname "$md")/$target" ] || fail "dead link in the zip: $md -> $target"
done < <(cd "$work/unsigned" && bash "$src/scripts/md-links.sh" $(find . -name '*.md'))

heading unreleased
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZID-12 throwaway test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null &&
  openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -out "$work/sign.pfx" \
    -passout pass:throwaway || { echo "FAIL: openssl cannot make a test certificate"; exit 1; }
ZID_SIGN_CERT=$work/cert.pem ZID_SIGN_KEY=$work/key.pem package signed.log --snapshot ||
  { fail "signed package:"; cat "$work/signed.log"; exit 1; }
zip=$work/src/dist/zid12-driver-$version-snapshot-win32.zip
cp "$zip" "$work/signed.zip"
ZID_SIGN_PFX=$work/sign.pfx ZID_SIGN_PASS=throwaway package signed2.log --snapshot &&
  cmp -s "$zip" "$work/signed.zip" || fail "signing again (PFX) gave other bytes"
unpack "$zip" signed
(cd "$work/signed" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS is not of the signed files"
for file in ZIZEZOZU.DLL tools/zidhost.exe tools/zidpanel.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$file" > "$work/v.log" 2>&1 || fail "verify $file: $(cat "$work/v.log")"
done
cmp -s "$work/signed/tools/QELMAR.dll" "$work/unsigned/tools/QELMAR.dll" || fail "the stand-in was signed"
echo "zips: unsigned $(cut -c1-64 "${zip/-snapshot/}.sha256"), test-signed $(cut -c1-64 "$zip.sha256")"
"$run" 32 "$prefix" cmd /c exit 0 >/dev/null 2>&1 </dev/null
[ $? = 77 ] && { echo "SKIP: Wine cannot run the 32-bit build here (the checks above: $failures failed)"; exit $((failures ? 1 : 77)); }
# check NAME DIR EXPECTED_RC PATTERN... -- ARGS   zidhost.exe of DIR's package, in DIR
check() {
  local name=$1 dir=$work/$2 want=$3 patterns=(); shift 3
  while [ "$1" != -- ]; do patterns+=("$1"); shift; done; shift
  (cd "$dir" && "$run" 32 "$prefix" tools/zidhost.exe "$@" 2>&1 </dev/null) | tr -d '\r' > "$work/out.txt"
  local rc=${PIPESTATUS[0]} p ok=1; [ $rc = "$want" ] || ok=0
  for p in "${patterns[@]}"; do grep -Eq -- "$p" "$work/out.txt" || ok=0; done
  [ $ok = 1 ] && echo "ok   $name" || { fail "$name: exit $rc (want $want), output:"; cat "$work/out.txt"; }
}
n=$(wc -l < "$work/signed/SHA256SUMS")
check "signed driver loads" signed 0 "^sha256  $(sha256sum < "$work/signed/ZIZEZOZU.DLL" | cut -c1-64)" \
  'reports ZID-12 Fire Detection' -- --version
check "signed package" signed 0 '^ZIZEZOZU.DLL: OK, signed \(Authenticode' '^tools/zidpanel.exe: OK, signed' \
  '^tools/QELMAR.dll: OK, not signed' '^docs/install.md: OK$' "all $n files match SHA256SUMS; 3 of 4 binaries signed" \
  -- --verify-package
check "unsigned package" signed 0 '^tools/zidhost.exe: OK, not signed' '0 of 4 binaries signed' \
  -- --verify-package ../unsigned
printf '\x01' | dd of="$work/unsigned/docs/install.md" bs=1 seek=100 conv=notrunc 2>/dev/null
rm "$work/unsigned/tools/zidpanel.exe"
check "one byte changed, one file missing" unsigned 8 '^docs/install.md: DIFFERS \(its SHA-256 is' \
  '^tools/zidpanel.exe: MISSING' '^README.md: OK' "2 of $n lines of SHA256SUMS FAILED" -- --verify-package
printf '\x01' | dd of="$work/signed/ZIZEZOZU.DLL" bs=1 seek=2000 conv=notrunc 2>/dev/null
(cd "$work/signed" && sed -i "s/^.\{64\}  ZIZEZOZU.DLL$/$(sha256sum ZIZEZOZU.DLL | sed 's/ .*//')  ZIZEZOZU.DLL/" SHA256SUMS)
check "signed file changed, SHA256SUMS made to match" signed 8 '^ZIZEZOZU.DLL: SIGNATURE DOES NOT MATCH' -- --verify-package
exit $((failures ? 1 : 0))
