#!/usr/bin/env bash
# zidhost's and zidpanel's command lines under Wine: help, clear errors with
# their exit codes, --check-tags, the NUL device, typed commands, the
# commissioning records, site files, and zidpanel's prompt. With two pty
# lines (ZID_LINE1_*, ZID_LINE2_*: run through cmake/pty-com.sh) also a site
# of two panels receiving at once, a third channel that fails to start, and
# a line whose pty goes away and comes back (--reopen-every).
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
printf '031200  Lobby, 2nd floor # smoke\n!T\n' > good.txt
printf '031200\n!Q!\n' > bad.txt

check "zidhost --help"        0 'usage: zidhost'                      -- "$bin/zidhost.exe" --help
check "zidhost --version"     0 'version [0-9]+\.[0-9]+\.[0-9]+ \(FileVersion' -- "$bin/zidhost.exe" --version
grep -qE "^sha256  $(sha256sum "$bin/ZIZEZOZU.DLL" | cut -c1-64)" out.txt && grep -qE '^zidhost [0-9]+\.' out.txt \
  || { echo "FAIL --version: the driver's SHA-256"; failures=$((failures + 1)); }
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
grep -q 'tags.txt:10: tag 12 refused: bad form' out.txt || { echo "FAIL label taken as a tag"; failures=$((failures + 1)); }
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

printf 'purge\nclose\nclose\nreopen\nchange NUL 4800\nchange COM5 abc\nchange COM97\nstatus\nbogus\nsta\0tus\nchange COM5 %s\nremark 031200 head dirty, replaced\nremark 0312 x\nquit\n' "$(printf 'x%.0s' $(seq 3000))" > host-typed.txt
stdin=host-typed.txt check "zidhost typed commands" 0 'change to \\\\\.\\COM97: result 2' -- "$bin/zidhost.exe" --port NUL --tags good.txt --report rep
for want in 'purge: result 0' 'reopen: result 0' 'change to NUL: result 0' 'open new COM port failed' \
            'unknown command bogus' 'final state after 0 panel line' 'not "abc"; nothing was sent' \
            'NOT LISTENING: channel 1 has no open port (closed by the close command)' \
            'COM97 is not open: the channel hears nothing' 'walk test: 0 of 1 device tested; 1 not tested' \
            'remark 031200  Lobby, 2nd floor: head dirty, replaced' 'remark: 0312 is not a tag address' \
            'record to print and sign: rep/walk-test.html' \
            'unknown command sta\\x00tus' 'xxx… (cut: 3000 bytes in all)"; nothing was sent'; do
  grep -q -- "$want" out.txt || { echo "FAIL typed: $want"; failures=$((failures + 1)); }
done
[ "$(grep -c 'close: result 0' out.txt)" = 2 ] || { echo "FAIL typed: two closes"; failures=$((failures + 1)); }
[ "$(grep -c 'change to ' out.txt)" = 2 ] || { echo "FAIL typed: a bad change reached the driver"; failures=$((failures + 1)); }
# The journal of a killed run: its last row cut off mid-field, the report rebuilt.
printf '2026-12-08 10:00:00.000,1,gate,031200,"Lobby' >> rep/events.csv
check "rebuild a cut journal" 0 'walk test: 0 of 1 device tested; 1 not tested' -- "$bin/zidhost.exe" --rebuild-report rep
grep -q '^1,031200,"Lobby, 2nd floor",0,,0,,,not tested,line detector,,"head dirty, replaced"' rep/walk-test.csv || { echo "FAIL rebuilt rows"; failures=$((failures + 1)); }
# Sessions never merge: a second run into the same folder is refused before
# anything is opened, and the journal is left as it was; --continue adds one.
sum=$(md5sum < rep/events.csv)
check "report folder in use"  2 'rep already holds the journal of a walk test .*--continue' -- "$bin/zidhost.exe" --port COM97 --tags good.txt --report rep
[ "$(md5sum < rep/events.csv)" = "$sum" ] && ! grep -q 'did not start' out.txt || { echo "FAIL the refused run touched something"; failures=$((failures + 1)); }
check "continue, no journal"  2 'holds no journal'                   -- "$bin/zidhost.exe" --port NUL --report rep-new --continue
check "continue"              0 'walk test: 0 of 1 device tested'     -- "$bin/zidhost.exe" --port NUL --tags good.txt --report rep --continue --seconds 1
[ "$(grep -c '^| [12] | ' rep/walk-test.md)" = 2 ] || { echo "FAIL continue: two sessions in the report"; failures=$((failures + 1)); }
printf '[record]\npremises = Beit <Hadar>\nlicence = 4711\n' > rec.ini
check "rebuild in Hebrew"     0 'rep/walk-test.html \(to print and sign\)' -- "$bin/zidhost.exe" --rebuild-report rep --language he --record rec.ini
grep -q 'dir="rtl"' rep/walk-test.html && grep -q 'Beit &lt;Hadar&gt;' rep/walk-test.html && ! grep -q 'http-equiv' rep/walk-test.html \
  || { echo "FAIL the rebuilt Hebrew record"; failures=$((failures + 1)); }
[ "$(head -c 3 rep/walk-test.csv | od -An -tx1 | tr -d ' ')" = efbbbf ] || { echo "FAIL the CSV's byte-order mark"; failures=$((failures + 1)); }
check "bad language"          2 'bad value for --language: fr'        -- "$bin/zidhost.exe" --rebuild-report rep --language fr
printf '[record]\npremises = A\nowner-name = B\n' > bad-rec.ini
check "unknown record key"    2 'bad-rec.ini:3: unknown key owner-name' -- "$bin/zidhost.exe" --port NUL --record bad-rec.ini
# A tag file an older Notepad saved in Windows-1255, with a type in brackets.
printf '031200 [smoke] \xF9\xEC\xE5\xED\n000005 [spare] x\n' > hebrew.txt
check "Windows-1255 tags"     0 'hebrew.txt is not UTF-8: read as Windows-1255' -- "$bin/zidhost.exe" --check-tags hebrew.txt
grep -q 'hebrew.txt:2: \[spare\] is not a device type' out.txt || { echo "FAIL bracket notice"; failures=$((failures + 1)); }
: > empty.txt
check "tags checked first"    2 'cannot read the tag file none.txt'   -- "$bin/zidhost.exe" --port COM97 --tags none.txt
grep -q 'did not start' out.txt && { echo "FAIL a port was opened before the tags were read"; failures=$((failures + 1)); }
check "empty tag file"        0 'none.txt holds no tag|empty.txt holds no tag' -- "$bin/zidhost.exe" --port NUL --tags empty.txt --seconds 1

# Bad input, a row per class: the exact exit code, and the option, or the file and line, named.
for opt in --port --tags --check-tags --rebuild-report --site --report --capture --state-file --log --stop-file --dll --seconds --reopen-every; do
  check "empty $opt" 2 "$opt needs a value, and was given an empty one" -- "$bin/zidhost.exe" "$opt" ""
done
for opt in --baud --data-bits --timeout --channel --poll --tick --seconds --reopen-every; do
  check "$opt not a number" 2 "bad value for $opt: 12x \\(a number from" -- "$bin/zidhost.exe" "$opt" 12x --port COM97
done
for v in inf 0 0.5 604801 "$(printf '9%.0s' $(seq 400))"; do
  check "--seconds ${v:0:8}" 2 'bad value for --seconds: 9*[^ ]*( \(cut: 400 bytes in all\))? \(a number from 1 to 604800\)' -- "$bin/zidhost.exe" --seconds "$v"
done
for v in 0 61 1.5; do
  check "--reopen-every $v" 2 "bad value for --reopen-every: $v \\(a number from 1 to 60\\)" -- "$bin/zidhost.exe" --reopen-every "$v"
done
check "long token, reason kept" 2 ' \(cut: 5000 bytes in all\) \(a number from 1 to 65535\)' -- "$bin/zidhost.exe" --baud "$(printf 'x%.0s' $(seq 5000))"
check "zidpanel empty --scenario" 2 '--scenario needs a value, and was given an empty one' -- "$bin/zidpanel.exe" --scenario ""
printf '\xEF\xBB\xBF031200 Lobby\r!T\r1a4000\n' > mac.txt
check "tags: mark, CR-only" 5 'mac.txt:3: tag 1a4000 refused: bad form' -- "$bin/zidhost.exe" --check-tags mac.txt
grep -q '2 tag(s) accepted, 1 refused' out.txt || { echo "FAIL tags: mark, CR-only tally"; failures=$((failures + 1)); }
printf '031200\n0312\0000\n' > zero.txt  # nul.txt would be Windows' NUL device
check "tags: NUL"             2 'zero.txt:2: a NUL byte: this is not a text file' -- "$bin/zidhost.exe" --port COM97 --tags zero.txt
printf 'reset\rfire-zone 5\r\nraw 3E3E\n' > mac-scenario.txt
check "scenario: CR-only, raw" 2 'mac-scenario.txt:3: not a byte: 3E3E' -- "$bin/zidpanel.exe" --dry-run --scenario mac-scenario.txt
printf 'raw 41\nreset\0\n' > nul-scenario.txt
check "scenario: NUL"         2 'nul-scenario.txt:2: a NUL byte' -- "$bin/zidpanel.exe" --port COM97 --scenario nul-scenario.txt

# A damaged journal: each bad row left out and named, the report written all the same (exit 7).
journal_error() {  # NAME PATTERN ROW (line 5)
  mkdir -p dmg
  printf 'time,channel,kind,address,label,old,new,text\r\n2026-03-01 10:00:00.000,1,start,,,,,port=NUL\r\n%s\r\n%s\r\n%b\r\n' \
    '2026-03-01 10:00:01.000,1,tag,031200,Lobby,,0x0000,registered' '2026-03-01 10:00:02.000,1,gate,031200,Lobby,0x0000,0x0001,' "$3" > dmg/events.csv
  check "journal: $1" 7 "events.csv:5: row left out: $2" -- "$bin/zidhost.exe" --rebuild-report dmg
}
journal_error "fields"  '5 field\(s\), not 8'           '2026-03-01 10:00:03.000,1,gate,031200,Lobby'
journal_error "time"    'the time is not of the form'   'yesterday,1,stop,,,,,'
journal_error "back"    'the time runs back 20513 days' '1970-01-01 00:00:00.000,1,gate,031200,,0x0001,0x0000,'
journal_error "restore" 'a restore dated before the fire or fault it would end \(line 4\)' '2026-03-01 10:00:01.500,1,gate,031200,,0x0001,0x0000,'
journal_error "channel" 'channel 77 has no start row'   '2026-03-01 10:00:03.000,77,gate,031200,,0x0000,0x0001,'
journal_error "kind"    'unknown kind "gates"'          '2026-03-01 10:00:03.000,1,gates,031200,,0x0000,0x0001,'
journal_error "address" 'the address "-0" is not of the form a gate row takes' '2026-03-01 10:00:03.000,1,gate,-0,,0x0000,0x0001,'
journal_error "hex"     'the new value is not a hex word' '2026-03-01 10:00:03.000,1,gate,031200,,0x0001,1,'
journal_error "UTF-8"   'the text field is not valid UTF-8' '2026-03-01 10:00:03.000,1,stop,,,,,\xFF'
journal_error "NUL"     'a NUL byte in the text field'  '2026-03-01 10:00:03.000,1,stop,,,,,a\0b'
grep -q '^,,"THE JOURNAL WAS DAMAGED: 1 row(s) were left out' dmg/walk-test.csv && grep -q '^\*\*THE JOURNAL WAS DAMAGED' dmg/walk-test.md \
  && grep -q '^1,031200,Lobby,1,' dmg/walk-test.csv || { echo "FAIL journal: the report's top"; failures=$((failures + 1)); }
check "a run on a damaged journal" 7 'events.csv:5: row left out: a NUL byte' -- "$bin/zidhost.exe" --port NUL --report dmg --continue --seconds 1

# A site of 20 channels stops together: --seconds 1 ends in seconds, not in 20.
for k in $(seq 20); do printf '[channel %d]\nport = NUL\n' "$k"; done > many.ini
started=$SECONDS
check "20 channels stop together" 0 '\] stop +done' -- "$bin/zidhost.exe" --site many.ini --seconds 1
[ $((SECONDS - started)) -le 6 ] || { echo "FAIL 20 channels took $((SECONDS - started)) s"; failures=$((failures + 1)); }

# Site files: every fault named with file and line, nothing opened.
site_error() {  # NAME PATTERN TEXT
  printf '%b' "$3" > site.ini
  check "site: $1" 2 "$2" -- "$bin/zidhost.exe" --site site.ini
}
site_error "unknown key"   'site.ini:3: unknown key speed'          '[channel 1]\nport = NUL\nspeed = 9600\n'
site_error "duplicate"     'site.ini:3: channel 1 is already set up at line 1' '[channel 1]\nport = NUL\n[channel 1]\nport = NUL\n'
site_error "missing port"  'site.ini:3: \[channel 2\] has no port'  '[channel 1]\nport = NUL\n[channel 2]\nname = South\n'
site_error "bad value"     'site.ini:3: bad value for parity: strange' '# wing\n[channel 1]\nparity = strange\n'
site_error "tag file"      'site.ini:3: \[channel 1\] cannot read the tag file none.txt' '[channel 1]\nport = NUL\ntags = none.txt\n'
site_error "repeated key"  'site.ini:3: port is already set at line 2 in \[channel 1\]' '\xEF\xBB\xBF[channel 1]\rport = NUL\rport = COM3\r'
site_error "NUL"           'site.ini:2: a NUL byte: this is not a text file' '[channel 1]\r\nport = N\0UL\n'
check "site with --port"      2 '--port and --site do not go together' -- "$bin/zidhost.exe" --site site.ini --port NUL
check "site with --record"    2 '--record and --site do not go together' -- "$bin/zidhost.exe" --site site.ini --record rec.ini

# Two panels at once on two pty lines, one channel closed and re-opened while
# the other receives, and a third channel that does not start.
if [ -n "${ZID_LINE2_DRIVER:-}" ]; then
  printf '031200 North, lobby\n000005\n' > north.txt
  printf '031200\n000009\n000011\n' > south.txt
  printf '[channel 1]\nname = North\nport = %s\ntags = north.txt\n[channel 2]\nport = %s\ntags = south.txt\n[channel 3]\nport = COM97\n' \
    "$ZID_LINE1_DRIVER" "$ZID_LINE2_DRIVER" > site.ini
  mkfifo typed.fifo
  "$run" "$bits" "$prefix" "$bin/zidhost.exe" --site site.ini --stop-file site.stop --state-file st.txt \
    --report site-rep < typed.fifo > site.out 2>&1 &
  host=$!
  exec 7> typed.fifo
  panel() { printf '%s\n' "$2" > "panel$1.txt"; "$run" "$bits" "$prefix" "$bin/zidpanel.exe" --gap 0 \
              --port "$(eval echo \$ZID_LINE$1_PANEL)" --scenario "panel$1.txt" > /dev/null 2>&1; }
  until_seen() { for _ in $(seq 150); do grep -q -- "$1" "${seen_in:-site.out}" && return 0; sleep 0.1; done; return 1; }
  until_seen '] ready ' && { panel 1 'fire-line 3 12' & panel 2 'fire-zone 9'; wait $!; }
  until_seen 'channel 2: 000009  0x0000 -> 0x0001' && until_seen 'North: 031200  0x0000 -> 0x0001'
  echo "close 1" >&7
  until_seen 'NOT LISTENING: North has no open port' && panel 2 'fire-zone 11'
  until_seen 'channel 2: 000011  0x0000 -> 0x0001' && echo "reopen 1" >&7
  until_seen 'North: reopen: result 0' && panel 1 'fire-zone 5'
  until_seen 'North: 000005  0x0000 -> 0x0001'
  touch site.stop
  wait $host
  rc=$?
  exec 7>&-
  grep -q 'channel 3 did not start on \\\\.\\COM97' site.out && [ $rc = 4 ] \
    || { echo "FAIL site: channel 3 should fail (exit $rc)"; failures=$((failures + 1)); }
  for want in 'st-1.txt:gate 031200 0x0001' 'st-1.txt:gate 000005 0x0001' 'st-2.txt:gate 031200 0x0000' \
              'st-2.txt:gate 000009 0x0001' 'st-2.txt:gate 000011 0x0001'; do
    grep -q "^${want#*:}\$" "${want%%:*}" || { echo "FAIL site: ${want}"; cat site.out; failures=$((failures + 1)); }
  done
  grep -q '^2,000009,,1,' site-rep/walk-test.csv && grep -q '^1,031200,"North, lobby",1,' site-rep/walk-test.csv \
    || { echo "FAIL site: the report's channel column"; failures=$((failures + 1)); }
  echo "ok   site: two panels at once, one closed and re-opened, one channel failing"

  # The driver's pty goes away (its socat ended), as a USB adapter pulled out:
  # the link is lost, a typed close holds the tries, a typed reopen lifts the
  # hold, and once a new pty is linked under the same name a try brings the
  # port back with the channel's read timeout (a 500 ms pause inside a line
  # cuts it off, as 40 ms does and 1000 ms would not) and the lines after it
  # are read. (Under ctest's warm wineserver: one that Wine starts by itself
  # takes the pty as its terminal, and floods its output when the pty goes.)
  . "$here/../../cmake/pty-com.sh"
  trap '[ -n "${ZID_LINE1_SOCAT:-}" ] && pty_line_cut 1; rm -rf "$work"' EXIT
  seen_in=link.out
  "$run" "$bits" "$prefix" "$bin/zidhost.exe" --port "$ZID_LINE1_DRIVER" --tags north.txt --reopen-every 1 \
    --report link-rep --state-file link-st.txt < typed.fifo > link.out 2>&1 &
  host=$!
  exec 7> typed.fifo
  until_seen '] ready ' && pty_line_cut 1
  until_seen 'PORT NOT ANSWERING: channel 1, port \\\\.\\COM[0-9]*: .* re-open tries every 1 s' \
    && until_seen 're-open try 1 .*change to .*: result 2' && echo "close" >&7 && echo "status" >&7
  until_seen 'C=1' && sleep 2.5 && echo "reopen" >&7
  until_seen 'reopen: result 2' && until_seen 're-open try 2 .*: result 2' && pty_line_renew 1
  until_seen 'port answers again: channel 1, port .*(re-open try [3-9])' && panel 1 'fire-zone 5' \
    && { printf '>>' > "$ZID_PTY_DEVICES/${ZID_LINE1_PANEL,,}"; sleep 0.5; printf 'A\0' > "$ZID_PTY_DEVICES/${ZID_LINE1_PANEL,,}"; }
  until_seen '] panel  A  \[no event\]'
  echo "quit" >&7
  wait $host
  rc=$?
  exec 7>&-
  for want in 'link-rep/events.csv:,status,!C,,0,1,' 'link-rep/events.csv:,status,!C,,1,0,' 'link-st.txt:^status C 0$' \
              'link-rep/events.csv:re-open try 1 .*: result 2' 'link-rep/events.csv:re-open try [3-9] .*: result 0' \
              'link.out:no re-open tries until reopen or change' 'link.out:closed by the close command: no re-open tries' \
              'link.out:000005  0x0000 -> 0x0001' 'link-rep/walk-test.md:the link to the panel was lost once'; do
    grep -q -- "${want#*:}" "${want%%:*}" || { echo "FAIL link: ${want}"; failures=$((failures + 1)); }
  done
  [ $rc = 0 ] && awk '/ cmd +reopen: /{r=1} /re-open try 2 /{exit !r}' link.out \
    && grep -q 'line rejected: cut off: .*>>' link.out || { echo "FAIL link (exit $rc):"; cat link.out; failures=$((failures + 1)); }
  echo "ok   link: the pty lost and back, the tries held by a close, the lines after it read"
fi

check "zidpanel --help"       0 'fire-line LINE'                      -- "$bin/zidpanel.exe" --help
check "zidpanel --version"    0 '^zidpanel [0-9]+\.[0-9]+\.[0-9]+'     -- "$bin/zidpanel.exe" --version
printf 'fire-zone 5\nfire-zone 500\nraw 41 42\nhelp\nquit\nfire-zone 6\n' > typed.txt
stdin=typed.txt check "zidpanel prompt" 0 'sent 2 line' -- "$bin/zidpanel.exe" --dry-run --gap 0
grep -q 'zone takes one zone number' out.txt || { echo "FAIL prompt error"; failures=$((failures + 1)); }
printf 'fire-zone 5\nfire-lion 3\n' > bad-scenario.txt
check "scenario error"        2 'bad-scenario.txt:2: unknown command "fire-lion"' -- "$bin/zidpanel.exe" --dry-run --scenario bad-scenario.txt
printf 'reset\n' > reset.txt
check "panel port missing"    4 'cannot open the port'                -- "$bin/zidpanel.exe" --port COM97 --scenario reset.txt
check "zidpanel bad option"   2 'unknown option --bogus'              -- "$bin/zidpanel.exe" --bogus
for v in -1 fast 1e-300 0x10 inf 1001; do
  check "speed $v" 2 "bad value for --speed: $v \\(speed takes 0 \\(no waits\\) or a number from 0.01 to 1000" -- "$bin/zidpanel.exe" --dry-run --speed "$v"
done
printf 'wait 60000\nfire-zone 5\nwait 60000\n' > slow.txt
started=$SECONDS
check "speed 0: no waits"     0 'no waits: lines back to back, 0 ms after each' -- "$bin/zidpanel.exe" --dry-run --speed 0 --scenario slow.txt
[ $((SECONDS - started)) -lt 30 ] || { echo "FAIL speed 0 still waited"; failures=$((failures + 1)); }

[ $failures = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all command-line checks passed"
