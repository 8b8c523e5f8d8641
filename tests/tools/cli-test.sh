#!/usr/bin/env bash
# zidhost's and zidpanel's command lines under Wine: help, clear errors with
# their exit codes, --check-tags, the NUL device, and zidpanel's prompt.
#   cli-test.sh BITS PREFIX BINDIR
set -u
bits=$1; prefix=$2; bin=$3
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../cmake/wine-run.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/zid-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

"$run" "$bits" "$prefix" cmd /c exit 0 >/dev/null 2>&1 </dev/null
[ $? = 77 ] && { echo "SKIP: Wine cannot run the $bits-bit build here"; exit 77; }

failures=0
# check NAME EXPECTED_RC PATTERN -- program args...   (PATTERN: grep -E on stdout+stderr)
check() {
  local name=$1 want=$2 pattern=$3; shift 4
  "$run" "$bits" "$prefix" "$@" > out.txt 2>&1 < "${stdin:-/dev/null}"
  local rc=$?
  if [ "$rc" != "$want" ] || ! grep -E -q -- "$pattern" out.txt; then
    echo "FAIL $name: exit $rc (want $want), output:"; sed 's/^/    /' out.txt
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

printf '# gates\n031200\n000005  # zone five\n\n!r\n130000\n004100\n000013\n1a4000\n12 34\n' > tags.txt
printf '031200\n!T\n' > good.txt
printf '031200\n!Q!\n' > bad.txt

check "zidhost --help"        0 'usage: zidhost'                      -- "$bin/zidhost.exe" --help
check "unknown option"        2 'unknown option --bogus'              -- "$bin/zidhost.exe" --bogus
check "bad baud"              2 'bad value for --baud: fast'          -- "$bin/zidhost.exe" --baud fast
check "missing DLL"           3 'cannot load the driver nope.dll'     -- "$bin/zidhost.exe" --dll nope.dll
check "port will not open"    4 'did not start on \\\\\.\\COM97'      -- "$bin/zidhost.exe" --port COM97
check "long port name"        2 'too long'                            -- "$bin/zidhost.exe" --port 'COM1234567890'
# Without a display the dialog cannot open: no address, and a clear answer.
DISPLAY= check "compose, no display" 6 'no address was composed \(result 53\)' -- "$bin/zidhost.exe" --compose
check "check-tags reasons"    5 'tags.txt:7: tag 004100 refused: detector above 40' -- "$bin/zidhost.exe" --check-tags tags.txt
grep -q 'tags.txt:6: tag 130000 refused: line above 12' out.txt || { echo "FAIL line reason"; failures=$((failures + 1)); }
grep -q 'tags.txt:8: tag 000013 refused: zone above 12' out.txt || { echo "FAIL zone reason"; failures=$((failures + 1)); }
grep -q 'tags.txt:9: tag 1a4000 refused: bad form' out.txt || { echo "FAIL form reason"; failures=$((failures + 1)); }
grep -q 'tags.txt:10: more than one word' out.txt || { echo "FAIL extra word"; failures=$((failures + 1)); }
grep -q '3 tag(s) accepted, 5 refused' out.txt || { echo "FAIL tally"; failures=$((failures + 1)); }
check "check-tags all good"   0 '2 tag\(s\) accepted, 0 refused'      -- "$bin/zidhost.exe" --check-tags good.txt
# The tools and the driver as released, without debug information, laid out
# as in the package.
check "released binaries"     0 '2 tag\(s\) accepted, 0 refused'      -- "$bin/../release/tools/zidhost.exe" --dll "$bin/../release/ZIZEZOZU.DLL" --check-tags good.txt
check "missing tag file"      2 'cannot read the tag file none.txt'   -- "$bin/zidhost.exe" --check-tags none.txt
check "refused tag on start"  5 'bad.txt:2: tag !Q! refused: bad form' -- "$bin/zidhost.exe" --port NUL --tags bad.txt
check "NUL for a second"      0 'final state after 0 panel line'      -- "$bin/zidhost.exe" --port NUL --tags good.txt --seconds 1 --state-file state.txt
grep -q '^gate 031200 0x0000$' state.txt && grep -q '^status T 0$' state.txt \
  || { echo "FAIL state file"; cat state.txt; failures=$((failures + 1)); }

printf 'purge\nclose\nclose\nreopen\nchange NUL 4800\nchange COM97\nstatus\nbogus\nquit\n' > host-typed.txt
stdin=host-typed.txt check "zidhost typed commands" 0 'change to \\\\\.\\COM97: result 2' -- "$bin/zidhost.exe" --port NUL --tags good.txt
for want in 'purge: result 0' 'reopen: result 0' 'change to NUL: result 0' 'open new COM port failed' \
            'unknown command bogus' 'final state after 0 panel line'; do
  grep -q -- "$want" out.txt || { echo "FAIL typed: $want"; failures=$((failures + 1)); }
done
[ "$(grep -c 'close: result 0' out.txt)" = 2 ] || { echo "FAIL typed: two closes"; failures=$((failures + 1)); }

check "zidpanel --help"       0 'fire-line LINE'                      -- "$bin/zidpanel.exe" --help
printf 'fire-zone 5\nfire-zone 500\nraw 41 42\nhelp\nquit\nfire-zone 6\n' > typed.txt
stdin=typed.txt check "zidpanel prompt" 0 'sent 2 line' -- "$bin/zidpanel.exe" --dry-run --gap 0
grep -q 'zone takes one zone number' out.txt || { echo "FAIL prompt error"; failures=$((failures + 1)); }
printf 'fire-zone 5\nfire-lion 3\n' > bad-scenario.txt
check "scenario error"        2 'bad-scenario.txt:2: unknown command "fire-lion"' -- "$bin/zidpanel.exe" --dry-run --scenario bad-scenario.txt
printf 'reset\n' > reset.txt
check "panel port missing"    4 'cannot open the port'                -- "$bin/zidpanel.exe" --port COM97 --scenario reset.txt
check "zidpanel bad option"   2 'unknown option --bogus'              -- "$bin/zidpanel.exe" --bogus

[ $failures = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all command-line checks passed"
