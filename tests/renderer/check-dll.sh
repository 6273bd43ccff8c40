#!/bin/sh
# Static checks of the shipped i686 VemoDoc.dll:
#   check-dll.sh exports DLL   exactly the four COM server functions, undecorated
#   check-dll.sh imports DLL   only DLLs that every Windows system has
#   check-dll.sh sse2 DLL      the scan converter runs its SSE2 path: the vector compositing
#                              routines (solid and gradient spans) are there, use packed SSE2
#                              and are called, and its floating point uses SSE2 registers,
#                              not the x87 stack
set -eu
dump=$(x86_64-w64-mingw32-objdump -p "$2")
# The disassembly of one function, by its mangled name.
body() {
    printf '%s\n' "$code" | awk -v name="<$1>:" '$2 == name { f = 1; next } f && /^$/ { exit } f'
}
case "$1" in
sse2)
    code=$(x86_64-w64-mingw32-objdump -d --no-show-raw-insn "$2")
    for f in __Z12BlendRowSse2PjiRK11SolidSourcej __Z14BlendCoverSse2PjPKhiRK11SolidSourcej; do
        body "$f" | grep -q pmulhuw || { echo "$f: no packed SSE2 blending"; exit 1; }
    done
    body __Z11FillRowSse2Pjij | grep -qE 'movdqa|movaps|movdqu|movups' ||
        { echo "FillRowSse2: no vector stores"; exit 1; }
    body __Z21GradientCompositeSse2PjPKyii | grep -q mulps ||
        { echo "GradientCompositeSse2: no packed SSE arithmetic"; exit 1; }
    printf '%s\n' "$code" | grep -qE 'call .*<__Z21GradientCompositeSse2' ||
        { echo "GradientCompositeSse2 is not called"; exit 1; }
    calls=$(printf '%s\n' "$code" | grep -cE 'call .*<__Z1[0-9](Fill|Blend)[A-Za-z]*Sse2' || true)
    [ "$calls" -ge 3 ] || { echo "the vector routines are called $calls times"; exit 1; }
    line=$(body __ZN14RasterJobState7AddLineEddddi)
    printf '%s\n' "$line" | grep -qE '(mul|add|sub|div)sd' || { echo "AddLine: no SSE2 arithmetic"; exit 1; }
    if printf '%s\n' "$line" | grep -qE '\sf(ld|st|mul|add|div|sub)'; then
        echo "AddLine: x87 floating point"
        exit 1
    fi
    ;;
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
