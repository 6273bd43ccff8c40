#!/bin/sh
# Checks a built NPVemoC.dll: it exports exactly NP_GetEntryPoints, NP_Initialize, NP_Shutdown,
# DllRegisterServer and DllUnregisterServer by undecorated name, and imports from system DLLs
# only (everything else is linked statically).
# Usage: check-plugin-binary.sh OBJDUMP DLL
objdump=$1
dll=$2
if [ ! -f "$dll" ]; then
    echo "FAIL: $dll does not exist" >&2
    exit 1
fi
dump=$("$objdump" -p "$dll") || exit 1

exports=$(printf '%s\n' "$dump" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort | tr '\n' ' ')
expected="DllRegisterServer DllUnregisterServer NP_GetEntryPoints NP_Initialize NP_Shutdown "
if [ "$exports" != "$expected" ]; then
    echo "FAIL: exports are '$exports', expected '$expected'" >&2
    exit 1
fi

status=0
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
for name in $imports; do
    case $(printf '%s' "$name" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | ole32.dll | oleaut32.dll | \
        msvcrt.dll | comdlg32.dll | shell32.dll | version.dll | comctl32.dll | winmm.dll) ;;
    *)
        echo "FAIL: imports $name, which is not a system DLL" >&2
        status=1
        ;;
    esac
done
[ $status -eq 0 ] && echo "exports: $exports; imports: $(echo $imports)"
exit $status
