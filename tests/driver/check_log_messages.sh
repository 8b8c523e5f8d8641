#!/usr/bin/env bash
# Every line the driver can log is explained in a section of its own in
# docs/log-messages.md, and the guide's list of all lines holds no line the
# driver does not log. The formats are the constants of the logline
# namespace in host_abi/driver_log.h; every err() call in the driver's
# folders passes one of them, never a literal, and each of them is logged
# somewhere.
#   check_log_messages.sh SOURCE_DIR
set -u
cd "$1" || exit 1
guide=docs/log-messages.md
header=host_abi/driver_log.h
fail=0

# The header's formats, "NAME<tab>TEXT" a line; a value may run over several
# lines as adjacent literals.
table=$(sed -n '/^namespace logline {/,/^}  \/\/ namespace logline/p' "$header" | tr '\n' ' ' |
        grep -oE 'const char\*[[:space:]]+k[A-Za-z0-9]+[[:space:]]*=[[:space:]]*"([^"\\]|\\.)*"([[:space:]]*"([^"\\]|\\.)*")*' |
        sed -E 's/^const char\*[[:space:]]+(k[A-Za-z0-9]+)[[:space:]]*=[[:space:]]*"/\1\t/; s/"[[:space:]]*"//g; s/"$//; s/\\(["\\])/\1/g')
[ -n "$table" ] || { echo "FAIL: no formats found in the logline namespace of $header"; exit 1; }
names=$(cut -f1 <<< "$table")
formats=$(cut -f2- <<< "$table" | sort -u)

# The format argument of each err() call in the driver's folders (the
# declaration in host_abi/qelmar.h aside). Calls may span lines.
sources=$(find host_abi serial panel address driver -name '*.cpp' -o -name '*.h' | sort)
calls=0; used=
for file in $sources; do
  flat=$(tr '\n' ' ' < "$file")
  args=$(grep -oE '(^|[^A-Za-z0-9_])(void[[:space:]]+)?err\([^,;)]*,[[:space:]]*[^,;)]+' <<< "$flat" |
         grep -vE 'void[[:space:]]+err\(' | sed -E 's/.*err\([^,]*,[[:space:]]*//; s/[[:space:]]+$//')
  while IFS= read -r arg; do
    [ -n "$arg" ] || continue
    calls=$((calls + 1))
    name=${arg#logline::}
    if [ "${arg#\"}" != "$arg" ]; then
      echo "FAIL: $file: err() with a literal format, not a constant of $header: $arg"; fail=1
    elif [ "$name" = "$arg" ] || ! grep -qxF -- "$name" <<< "$names"; then
      echo "FAIL: $file: err() with a format that is not a constant of $header: $arg"; fail=1
    else
      used+=$name$'\n'
    fi
  done <<< "$args"
done
echo "$calls err() calls, $(grep -c . <<< "$formats") formats in $header"
[ "$calls" -gt 0 ] || { echo "FAIL: no err() call found in the sources"; exit 1; }

# Each format is logged somewhere, and has a section of its own, headed by it.
while IFS=$'\t' read -r name format; do
  grep -qxF -- "$name" <<< "$used" || { echo "FAIL: $header: $name is never logged"; fail=1; }
  grep -qxF -- "### \`$format\`" "$guide" || { echo "FAIL: no section in $guide for: $format"; fail=1; }
done <<< "$table"

# The guide's table of all lines, against the header.
while IFS= read -r listed; do
  grep -qxF -- "$listed" <<< "$formats" || { echo "FAIL: $guide lists a line the driver does not log: $listed"; fail=1; }
done < <(sed -nE 's/^\| `((SUL|Sul)[^`]*)` \|.*/\1/p' "$guide")

[ $fail = 0 ] && echo "every log format is in $guide"
exit $fail
