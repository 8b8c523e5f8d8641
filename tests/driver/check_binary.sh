#!/usr/bin/env bash
# Checks the built driver DLL as outside tools see it:
#   check_binary.sh DLL TRIPLE BITS
# - PE32 i386 (or PE32+ x86-64 for the 64-bit test twin);
# - exactly one export, SulMain, undecorated;
# - imports only from Windows system DLLs and QELMAR.dll (the C++ runtime,
#   libgcc and winpthread are linked in);
# - a VERSIONINFO resource with product name, file version and description.
set -u
dll=$1; triple=$2; bits=$3
objdump=$triple-objdump
windres=$triple-windres
fail=0
bad() { echo "FAIL: $*"; fail=1; }

headers=$($objdump -p "$dll") || { echo "FAIL: objdump cannot read $dll"; exit 1; }
if [ "$bits" = 32 ]; then
  echo "$headers" | grep -q "file format pei-i386" || bad "not a PE32 i386 image"
  echo "$headers" | grep -q "^Magic.*010b" || bad "optional header is not PE32"
else
  echo "$headers" | grep -q "file format pei-x86-64" || bad "not a PE32+ x86-64 image"
fi

exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' | awk '{print $NF}' | sort -u)
[ "$exports" = "SulMain" ] || bad "exports are [$exports], want exactly SulMain"

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|msvcrt|COMCTL32|api-ms-win-crt-[a-z0-9-]+)\.dll$|^QELMAR\.dll$'
imports=$(echo "$headers" | awk '/DLL Name:/ {print $3}' | sort -u)
for name in $imports; do
  echo "$name" | grep -Eiq "$allowed" || bad "imports from $name"
done
echo "$imports" | grep -qx "QELMAR.dll" || bad "does not import QELMAR.dll"
for runtime in libstdc++ libgcc libwinpthread; do
  echo "$imports" | grep -qi "$runtime" && bad "depends on $runtime"
done

rc=$($windres -J coff -i "$dll" -O rc 2>/dev/null)
echo "$rc" | grep -q "VERSIONINFO" || bad "no VERSIONINFO resource"
for key in ProductName FileVersion FileDescription; do
  echo "$rc" | grep -q "\"$key\"" || bad "VERSIONINFO lacks $key"
done

if [ $fail = 0 ]; then
  echo "exports: $exports"
  echo "imports: $(echo $imports)"
  echo "binary checks passed"
fi
exit $fail
