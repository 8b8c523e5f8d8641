#!/usr/bin/env bash
# The walk-test record in a real browser: headless Chromium prints the
# English and the Hebrew record of a generated walk of 300 devices to PDF,
# and pdftotext reads them back. Checks: every device's address is there,
# every page shows its number ("Page N of M", "עמוד N מתוך M"), the page
# count is sane, and a Hebrew label comes out in logical order. A PNG of
# each record's first page is left in PNG_DIR.
#   print-record-test.sh SAMPLE_WALK PNG_DIR
# Exit 77 only where Chromium is not installed.
set -u
# Bytes, not characters: the bidi marks are taken out byte by byte.
export LC_ALL=C
sample=$1; pngs=$2
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "SKIP: no chromium (scripts/setup.sh installs it)"; exit 77; }
for tool in pdftotext pdfinfo pdftoppm; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (poppler-utils, scripts/setup.sh)"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-print.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$pngs"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
# Bidi marks and blanks out: pdftotext wraps right-to-left runs in them.
flat() { sed -e 's/\xE2\x80[\x8E\x8F\xAA-\xAE]//g' -e 's/\xE2\x81[\xA6-\xA9]//g' | tr -d ' \t\n\f'; }

for lang in en he; do
  "$sample" "$work/$lang" 300 "$lang" > "$work/$lang.verdict" || { fail "$lang: sample_walk"; continue; }
  pdf=$work/walk-test-$lang.pdf
  # A profile and a home of its own; no network: this machine's connections are refused.
  mkdir -p "$work/home"
  HOME="$work/home" timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile-$lang" --no-pdf-header-footer --print-to-pdf="$pdf" \
    "file://$work/$lang/walk-test.html" > "$work/$lang.browser" 2>&1
  [ -s "$pdf" ] || { fail "$lang: no PDF"; sed 's/^/    /' "$work/$lang.browser" | tail -20; continue; }
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  # 300 rows of about 40 a page, the front matter and the history.
  if [ "${pages:-0}" -lt 8 ] || [ "${pages:-0}" -gt 30 ]; then fail "$lang: $pages pages"; fi
  pdftotext -enc UTF-8 "$pdf" "$work/$lang.txt"
  text=$(flat < "$work/$lang.txt")
  # Every address of the CSV (after its header line), each a number of its own in the PDF.
  tail -n +2 "$work/$lang/walk-test.csv" | cut -d, -f2 | sort -u > "$work/$lang.addresses"
  [ "$(wc -l < "$work/$lang.addresses")" -ge 301 ] || fail "$lang: the CSV lacks rows"
  sed -e 's/\xE2\x80[\x8E\x8F\xAA-\xAE]//g' -e 's/\xE2\x81[\xA6-\xA9]//g' "$work/$lang.txt" \
    | tr -c '0-9' '\n' | grep -x '[0-9]\{6\}' | sort -u > "$work/$lang.numbers"
  missing=$(comm -23 "$work/$lang.addresses" "$work/$lang.numbers")
  [ -z "$missing" ] || fail "$lang: addresses not in the PDF: $(echo $missing | cut -c1-80)"
  if [ "$lang" = en ]; then word=Page; of=of; else word=עמוד; of=מתוך; fi
  for p in $(seq 1 "${pages:-0}"); do
    page=$(pdftotext -enc UTF-8 -f "$p" -l "$p" "$pdf" - | flat)
    case $page in *"$word$p$of$pages"*) ;; *) fail "$lang: page $p does not say $word $p $of $pages";; esac
  done
  # Logical order: the label's words as they are typed, not mirrored.
  case $text in *"חדרמדרגותמזרח"*) ;; *) fail "$lang: the Hebrew label is not in logical order";; esac
  case $text in *"תרזמתוגרדמרדח"*) fail "$lang: the Hebrew label came out mirrored";; esac
  pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$pdf" "$pngs/walk-test-$lang" || fail "$lang: pdftoppm"
  echo "ok   $lang: $pages pages, $(cat "$work/$lang.verdict")"
done
[ $failures = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the records print: every address, every page numbered; PNGs in $pngs"
