#!/bin/sh
# Static checks of the shipped i686 VemoDoc.dll:
#   check-dll.sh exports DLL   exactly the four COM server functions, undecorated
#   check-dll.sh imports DLL   only DLLs that every Windows system has
set -eu
dump=$(x86_64-w64-mingw32-objdump -p "$2")
case "$1" in
exports)
    names=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        grep -v 'Ordinal/Name Pointer' | sed -n 's/.*\] //p' | sort | tr '\n' ' ')
    expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
    [ "$names" = "$expected" ] || { echo "exports: $names"; exit 1; }
    printf '%s\n' "$dump" | grep -q 'i386' || { echo "not an i686 image"; exit 1; }
    ;;
imports)
    dlls=$(printf '%s\n' "$dump" | sed -n 's/.*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
    for d in $dlls; do
        case "$d" in
        KERNEL32.DLL | USER32.DLL | ADVAPI32.DLL | OLE32.DLL | OLEAUT32.DLL | MSVCRT.DLL | GDI32.DLL) ;;
        *) echo "imports $d"; exit 1 ;;
        esac
    done
    ;;
*) exit 2 ;;
esac
