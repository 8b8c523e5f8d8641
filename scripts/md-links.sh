#!/usr/bin/env bash
# Lists the relative links of Markdown files, one "FILE<TAB>TARGET" line per
# link, the target as written without its #anchor: inline links and images
# [text](target), reference definitions [label]: target, and HTML src= and
# href=. Links inside code (fenced blocks, `spans`) are no links; URLs with a
# scheme (https:, mailto:) and links within the same page (#anchor) are left
# out. package.sh follows them to ship what the documents link to, and the
# package test checks that each resolves inside the zip.
#   md-links.sh FILE.md...
set -eu
for file in "$@"; do
  awk -v file="$file" '
    function emit(target) {
      sub(/^</, "", target); sub(/>$/, "", target)
      sub(/[#?].*$/, "", target)
      if (target == "" || target ~ /^[A-Za-z][A-Za-z0-9+.-]*:/) return
      print file "\t" target
    }
    /^[ \t]*(```|~~~)/ { fenced = !fenced; next }
    fenced { next }
    {
      line = $0
      gsub(/`[^`]*`/, "", line)
      if (match(line, /^[ \t]*\[[^]]+\]:[ \t]+[^ \t]+/)) {
        definition = substr(line, RSTART, RLENGTH)
        sub(/^[ \t]*\[[^]]+\]:[ \t]+/, "", definition)
        emit(definition)
      }
      rest = line
      while (match(rest, /\]\([ \t]*(<[^>]*>|[^) \t]+)/)) {
        target = substr(rest, RSTART + 2, RLENGTH - 2)
        sub(/^[ \t]+/, "", target)
        emit(target)
        rest = substr(rest, RSTART + RLENGTH)
      }
      rest = line
      while (match(rest, /(src|href)[ \t]*=[ \t]*"[^"]*"/)) {
        target = substr(rest, RSTART, RLENGTH)
        sub(/^[^"]*"/, "", target); sub(/"$/, "", target)
        emit(target)
        rest = substr(rest, RSTART + RLENGTH)
      }
    }
  ' "$file"
done
