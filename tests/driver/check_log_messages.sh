#!/usr/bin/env bash
# Every line the driver can log is explained in a section of its own in
# docs/log-messages.md, and the guide's list of all lines holds no line the
# driver no longer logs.
#   check_log_messages.sh SOURCE_DIR
set -u
cd "$1" || exit 1
guide=docs/log-messages.md
fail=0

# The format of each err() call in the driver's folders: the string literal,
# or adjacent literals, right after the level. Calls may span lines.
sources=$(find host_abi serial panel address driver -name '*.cpp' -o -name '*.h' | sort | xargs grep -lE '(^|[^A-Za-z0-9_])err\(')
calls=0; literal=0; formats=
for file in $sources; do
  flat=$(tr '\n' ' ' < "$file")
  calls=$((calls + $(echo "$flat" | grep -oE '(^|[^A-Za-z0-9_])(void[[:space:]]+)?err\(' | grep -vc void)))
  found=$(echo "$flat" | grep -oE '(^|[^A-Za-z0-9_])err\([^;"]*"([^"\\]|\\.)*"([[:space:]]*"([^"\\]|\\.)*")*' |
          sed -E 's/^[^"]*"//; s/"[[:space:]]*"//g; s/"$//; s/\\(["\\])/\1/g')
  [ -n "$found" ] && literal=$((literal + $(echo "$found" | wc -l))) && formats+=$found$'\n'
done
formats=$(echo "$formats" | grep -v '^$' | sort -u)
echo "$calls err() calls, $(echo "$formats" | grep -c .) formats"
[ "$calls" -gt 0 ] || { echo "FAIL: no err() call found in the sources"; exit 1; }
[ "$literal" = "$calls" ] || { echo "FAIL: $((calls - literal)) err() call(s) without a literal format"; fail=1; }

# Each has a section of its own, headed by the format.
while IFS= read -r format; do
  grep -qxF -- "### \`$format\`" "$guide" || { echo "FAIL: no section in $guide for: $format"; fail=1; }
done <<< "$formats"

# The guide's table of all lines, against the sources.
while IFS= read -r listed; do
  echo "$formats" | grep -qxF -- "$listed" || { echo "FAIL: $guide lists a line the driver does not log: $listed"; fail=1; }
done < <(sed -nE 's/^\| `((SUL|Sul)[^`]*)` \|.*/\1/p' "$guide")

[ $fail = 0 ] && echo "every log format is in $guide"
exit $fail
