#!/bin/sh
# check-program.sh OBJDUMP PROGRAM FORMAT
# The installer as shipped: a GUI program of the given object format (pei-i386, pei-x86-64)
# that imports system DLLs only.
set -u
objdump=$1 program=$2 format=$3
status=0
fail() { echo "FAIL: $*"; status=1; }
headers=$("$objdump" -p "$program") || { echo "FAIL: cannot read $program"; exit 1; }
echo "$headers" | grep -q "file format $format" || fail "not $format"
echo "$headers" | grep -Eq "^Subsystem[[:space:]]+0*2[[:space:]]" || fail "not a GUI program"
imports=$(echo "$headers" | awk '/DLL Name:/ {print toupper($3)}' | sort | tr '\n' ' ')
for dll in $imports; do
    case $dll in
    ADVAPI32.DLL | KERNEL32.DLL | MSVCRT.DLL | OLE32.DLL | SHELL32.DLL | USER32.DLL) ;;
    *) fail "imports $dll" ;;
    esac
done
[ $status -eq 0 ] && echo "program ok: imports $imports"
exit $status
