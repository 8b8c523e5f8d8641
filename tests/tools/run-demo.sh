#!/usr/bin/env bash
# Runs the demo on a build and checks its summary: every check agrees, the
# unregistered gate was seen as such, every line sent was read, the walk-test
# report was checked row by row and its replay gave the same rows, and the
# run stayed under a minute.
#   run-demo.sh   (ZID_DEMO_BUILD and ZID_DEMO_BITS name the build)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(bash "$root/scripts/demo.sh" 2>&1)
rc=$?
printf '%s\n' "$out"
[ $rc = 77 ] && exit 77
summary=$(printf '%s\n' "$out" | sed -n '/^== summary/,$p')
fail() { echo "run-demo: $*" >&2; exit 1; }
[ $rc = 0 ] || fail "the demo exited with $rc"
[ -n "$summary" ] || fail "no summary"
printf '%s\n' "$summary" | grep -q 'RESULT: PASS (all [0-9]* checks agree)' || fail "summary not all agreeing"
checks=$(printf '%s\n' "$summary" | sed -n 's/.*RESULT: PASS (all \([0-9]*\) checks agree).*/\1/p')
[ "${checks:-0}" -ge 20 ] || fail "only ${checks:-0} checks"
printf '%s\n' "$summary" | grep -E -q '^ +changes 114000 .*no such gate +ok$' || fail "the unregistered gate is not in the summary"
printf '%s\n' "$summary" | grep -E -q '^ +lines +expected 18 sent +shown 18 read by the driver +ok$' || fail "not every line was read"
printf '%s\n' "$summary" | grep -E -q '^ +walk 000005 +expected 2 0 tested +shown 2 0 tested +ok$' || fail "zone 5's two fire lines are not counted as 2"
printf '%s\n' "$out" | grep -q '^   record to print and sign: .*/report/walk-test.html$' || fail "the demo did not say where walk-test.html is"
printf '%s\n' "$summary" | grep -E -q '^ +walk 114000 +expected 1 0 unregistered .* ok$' || fail "no walk-test row of the unregistered gate"
printf '%s\n' "$summary" | grep -E -q '^ +replay +expected the same rows .* ok$' || fail "the replay's report was not compared"
printf '%s\n' "$out" | grep -q '^   verdict: ' || fail "the demo printed no verdict"
printf '%s\n' "$summary" | grep -c ' MISMATCH$' | grep -qx 0 || fail "a mismatch row"
seconds=$(printf '%s\n' "$summary" | sed -n 's/.* checks in \([0-9.]*\) s:.*/\1/p')
awk -v s="${seconds:-999}" 'BEGIN { exit !(s < 60) }' || fail "the demo took ${seconds:-?} s"
echo "run-demo: summary checked ($checks checks, $seconds s)"
