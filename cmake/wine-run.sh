#!/bin/sh
# Runs a Windows program of the x86_64 build under wine64 (ctest's cross-compiling emulator);
# with --run first, runs the command that follows (a script that runs Wine itself) instead, in
# the same lane and on the same display.
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
# The Wine lane ctest gave the test (resource `lanes`, "id:N,slots:1"): that lane's prefix and
# displays, as scripts/wine-env.sh started them. Without one, the environment's own.
lane=${CTEST_RESOURCE_GROUP_0_LANES:-}
lane=${lane#id:}
lane=${lane%%,*}
if [ -n "$lane" ]; then
    eval "p=\${VEMO_LANE_PREFIX_$lane:-} b=\${VEMO_LANE_XVFB_$lane:-}"
    if [ -z "$p" ] || [ -z "$b" ]; then
        echo "wine-run: lane $lane was not started (scripts/wine-env.sh)" >&2
        exit 125
    fi
    WINEPREFIX=$p
    VEMO_DISPLAY_24=:$b VEMO_DISPLAY_16=:$((b + 1)) VEMO_DISPLAY_8=:$((b + 2)) DISPLAY=:$b
    export WINEPREFIX VEMO_DISPLAY_24 VEMO_DISPLAY_16 VEMO_DISPLAY_8 DISPLAY
fi
if [ -n "${VEMO_DEPTH:-}" ]; then
    eval "d=\${VEMO_DISPLAY_${VEMO_DEPTH}:-}"
    [ -n "$d" ] && DISPLAY=$d && export DISPLAY
fi
if [ "${1:-}" = --run ]; then
    shift
    exec "$@"
fi
exec /usr/lib/wine/wine64 "$@"
