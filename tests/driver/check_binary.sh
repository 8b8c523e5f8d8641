#!/usr/bin/env bash
# Checks the built driver DLL, and the DLL as released, as outside tools see
# them:
#   check_binary.sh DLL TRIPLE BITS [RELEASED_DLL]
# - PE32 i386 (or PE32+ x86-64 for the 64-bit test twin);
# - loadable at any address (ASLR) with non-executable data (DEP); for x86-64
#   also with the whole 64-bit address space for ASLR;
# - exactly one export, SulMain, undecorated;
# - imports only from Windows system DLLs and QELMAR.dll (the C++ runtime,
#   libgcc and winpthread are linked in);
# - a VERSIONINFO resource with product name, file version and description;
# - the released DLL: all of the above, no debug sections, and a
#   .gnu_debuglink to its debug file.
set -u
dll=$1; triple=$2; bits=$3; released=${4:-}
objdump=$triple-objdump
windres=$triple-windres
fail=0
bad() { echo "FAIL: $dll: $*"; fail=1; }

headers=$($objdump -p "$dll") || { echo "FAIL: objdump cannot read $dll"; exit 1; }
if [ "$bits" = 32 ]; then
  echo "$headers" | grep -q "file format pei-i386" || bad "not a PE32 i386 image"
  echo "$headers" | grep -q "^Magic.*010b" || bad "optional header is not PE32"
else
  echo "$headers" | grep -q "file format pei-x86-64" || bad "not a PE32+ x86-64 image"
fi

flags=$(echo "$headers" | awk '/^DllCharacteristics/ {print $2}')
want="40:DYNAMIC_BASE 100:NX_COMPAT"
[ "$bits" = 64 ] && want="$want 20:HIGH_ENTROPY_VA"
for bit in $want; do
  [ $(( 0x${flags:-0} & 0x${bit%%:*} )) != 0 ] || bad "DllCharacteristics 0x$flags lack ${bit#*:}"
done

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

echo "$dll: DllCharacteristics 0x$flags; exports: $exports; imports: $(echo $imports)"

if [ -n "$released" ]; then
  bash "$0" "$released" "$triple" "$bits" || fail=1
  dll=$released
  $objdump -h "$dll" | grep -q ' \.debug_' && bad "still has debug sections"
  # The section holds the debug file's name, a NUL, padding and a CRC;
  # objdump shows its text in the last 16 columns.
  $objdump -s -j .gnu_debuglink "$dll" 2>/dev/null | awk '/^ [0-9a-f]+ / {printf "%s", substr($0, length($0) - 15)}' \
    | grep -q '^ZIZEZOZU\.DLL\.debug\.' || bad "no .gnu_debuglink naming ZIZEZOZU.DLL.debug"
fi
[ $fail = 0 ] && echo "binary checks passed"
exit $fail
