#!/usr/bin/env bash
# Reads the dialog template back out of the built DLL with windres and
# compares it with the expected decompiled form. Needs no Wine, so it checks
# the 32-bit product too.
#   check-resource.sh WINDRES DLL EXPECTED
set -u
windres=$1; dll=$2; expected=$3
dump=$("$windres" -J coff -i "$dll" -O rc) || { echo "windres could not read $dll" >&2; exit 1; }
dialog=$(printf '%s\n' "$dump" | awk '/^\/\* Type: dialog/{on=1} on{print} on&&/^END/{exit}')
if [ -z "$dialog" ]; then
  echo "no dialog resource in $dll" >&2
  exit 1
fi
if ! diff -u "$expected" <(printf '%s\n' "$dialog"); then
  echo "the dialog template in $dll differs from $expected" >&2
  exit 1
fi
echo "dialog template of $dll as expected"
