#!/bin/sh
# Fails when a program imports a DLL that Windows does not bring along (a mingw runtime DLL).
set -eu
dlls=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports found in $1"; exit 1; }
bad=0
for dll in $dlls; do
    case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | version.dll | msvcrt.dll | advapi32.dll) ;;
    api-ms-win-*) ;;
    *) echo "unexpected import: $dll"; bad=1 ;;
    esac
done
echo "imports: $dlls"
exit $bad
