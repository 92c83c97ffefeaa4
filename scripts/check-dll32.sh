#!/usr/bin/env bash
# Checks the shipped 32-bit plug-in without running it: a PE32 DLL for i386 that exports exactly
# the fourteen entry points under their plain names and imports nothing but Windows system DLLs.
set -euo pipefail
dll=${1:-build/win32/Puffshell.dll}
fail() { echo "check-dll32: $*" >&2; exit 1; }
[ -f "$dll" ] || fail "$dll is missing"
dump=$(objdump -p "$dll")

grep -q "file format pei-i386" <<<"$dump" || fail "not a PE32 image for i386"
grep -Eq "^Magic[[:space:]]+010b" <<<"$dump" || fail "not a PE32 (optional header magic 010b)"
grep -q "DLL" <<<"$(grep -A12 '^Characteristics' <<<"$dump")" || fail "not a DLL"

expected="MQCheckVersion MQCreate MQEnumFileExt MQEnumFileType MQEnumString MQExportFile
MQGetPlugInID MQGetPlugInName MQGetPlugInType MQImportFile MQInit MQModifyObject
MQModifySelect MQOnEvent"
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[[:space:]]*\[/{print $NF;next} t{t=0}' <<<"$dump" | sort)
want=$(tr ' \n' '\n\n' <<<"$expected" | grep -v '^$' | sort)
[ "$exports" = "$want" ] || fail "exports differ from the fourteen entry points:
$exports"

system_dlls="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll msvcrt.dll advapi32.dll shell32.dll ole32.dll"
while read -r name; do
  lower=$(tr 'A-Z' 'a-z' <<<"$name")
  [[ " $system_dlls " == *" $lower "* ]] || [[ "$lower" == api-ms-win-* ]] || fail "imports a non-system DLL: $name"
done < <(awk '/DLL Name:/{print $3}' <<<"$dump")

echo "check-dll32: $dll is a PE32 i386 DLL with the 14 plain exports and system imports only"
