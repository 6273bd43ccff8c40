#!/bin/sh
# Runs a Windows program of the x86_64 build under wine64 (ctest's cross-compiling emulator).
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree=;mshtml=;winemenubuilder.exe=d}"
: "${WINELOADER:=/usr/lib/wine/wine64}"
export WINEDEBUG WINEDLLOVERRIDES WINELOADER
# Where the sources and the build tree are: tests find their data and the built DLLs there.
if [ -z "${VEMO_SOURCE_DIR:-}" ]; then
    VEMO_SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
    export VEMO_SOURCE_DIR
fi
if [ -z "${VEMO_BINARY_DIR:-}" ]; then
    d=$PWD
    while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do
        d=$(dirname "$d")
    done
    [ -f "$d/CMakeCache.txt" ] && VEMO_BINARY_DIR=$d && export VEMO_BINARY_DIR
fi
if [ -n "${VEMO_DEPTH:-}" ]; then
    eval "d=\${VEMO_DISPLAY_${VEMO_DEPTH}:-}"
    [ -n "$d" ] && DISPLAY=$d && export DISPLAY
fi
exec /usr/lib/wine/wine64 "$@"
