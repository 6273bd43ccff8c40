#!/bin/sh
# Runs a Windows program of the x86_64 build under wine64 (ctest's cross-compiling emulator).
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree=;mshtml=;winemenubuilder.exe=d}"
: "${WINELOADER:=/usr/lib/wine/wine64}"
export WINEDEBUG WINEDLLOVERRIDES WINELOADER
if [ -n "${VEMO_DEPTH:-}" ]; then
    eval "d=\${VEMO_DISPLAY_${VEMO_DEPTH}:-}"
    [ -n "$d" ] && DISPLAY=$d && export DISPLAY
fi
exec /usr/lib/wine/wine64 "$@"
