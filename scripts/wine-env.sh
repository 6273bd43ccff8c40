# Sourced by the scripts that run Windows programs: Wine lanes, each a prefix with its own warm
# wineserver and three Xvfb displays (24, 16 and 8 bits deep). Tests in different lanes run side
# by side without sharing a display, a registry or a file system.
#
#   WINEPREFIX       lane 1's prefix (made when missing); default build/wineprefix. Lane N > 1
#                    uses $WINEPREFIX-laneN, a copy of lane 1's made right after it was booted
#                    (copying is several times quicker than booting another).
#   VEMO_XVFB_BASE   lane 1's first display number (default 71): its displays are BASE, BASE+1,
#                    BASE+2; lane N's start at BASE + 10 * (N - 1).
#
# vemo_wine_start [LANES] starts LANES lanes (default 1) and exports, for cmake/wine-run.sh,
# VEMO_LANE_PREFIX_N and VEMO_LANE_XVFB_N for each, and lane 1 as the environment's own:
# WINEPREFIX, DISPLAY (the 24-bit one), VEMO_DISPLAY_24, VEMO_DISPLAY_16, VEMO_DISPLAY_8.
# Call vemo_wine_stop when done.

vemo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$vemo_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml=;winemenubuilder.exe=d"}
export WINELOADER=/usr/lib/wine/wine64
export WINEARCH=win64
VEMO_WINE=/usr/lib/wine/wine64
VEMO_WINESERVER=/usr/lib/wine/wineserver64
# Holds each lane's desktop while tests run (tests/support/KeepDesktop.cpp); built by win64.
VEMO_KEEP_DESKTOP=${VEMO_KEEP_DESKTOP:-$vemo_root/build/win64/tests/support/KeepDesktop.exe}
vemo_xvfb_pids=()
vemo_lane_prefixes=()

vemo_start_display() { # number depth
    local n=$1 depth=$2
    if [ -e "/tmp/.X11-unix/X$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
        return 0
    fi
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    Xvfb ":$n" -screen 0 "1024x768x$depth" -nolisten tcp >/dev/null 2>&1 &
    vemo_xvfb_pids+=($!)
    for _ in $(seq 1 50); do
        xdpyinfo -display ":$n" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "wine-env: Xvfb :$n did not start" >&2
    return 1
}

# Boots lane 1's prefix when it has none, with no crash dialogs (they would block forever) and
# no window-manager stalls on dialog close; returns once its server has saved everything.
vemo_prepare_prefix() {
    if [ -f "$WINEPREFIX/system.reg" ] && grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" &&
        grep -q '"Managed"="N"' "$WINEPREFIX/user.reg"; then
        return 0
    fi
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$VEMO_WINE" wineboot -u </dev/null >/dev/null 2>&1
    "$VEMO_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    "$VEMO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    timeout 60 "$VEMO_WINESERVER" -w </dev/null >/dev/null 2>&1
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-env: no prefix in $WINEPREFIX" >&2; return 1; }
}

# A warm server (ctest then does not wait for Wine's helpers to close its pipes) and the desktop
# kept in use, in the prefix and on the display given.
vemo_start_server() { # prefix display
    # A server that lingers after the commands above ends by itself; a persistent one can start
    # only after it. A server made persistent by an earlier start never ends: the wait is bounded.
    WINEPREFIX=$1 timeout 20 "$VEMO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$1 "$VEMO_WINESERVER" -p </dev/null >/dev/null 2>&1
    WINEPREFIX=$1 DISPLAY=$2 "$VEMO_WINE" wineboot </dev/null >/dev/null 2>&1
    if [ -f "$VEMO_KEEP_DESKTOP" ]; then
        WINEPREFIX=$1 DISPLAY=$2 "$VEMO_WINE" "$VEMO_KEEP_DESKTOP" </dev/null >/dev/null 2>&1 &
    fi
    return 0
}

# Lane 1's prefix booted and the other lanes' copies of it made, where missing. Needs no display
# and nothing built: scripts/test.sh does it while the builds run.
vemo_prepare_lanes() { # [LANES]
    local lanes=${1:-1} lane prefix
    vemo_prepare_prefix || return 1
    for ((lane = 2; lane <= lanes; lane++)); do
        prefix=$WINEPREFIX-lane$lane
        if [ ! -f "$prefix/system.reg" ]; then
            rm -rf "$prefix"
            cp -a "$WINEPREFIX" "$prefix" || return 1
        fi
    done
}

vemo_wine_start() { # [LANES]
    local lanes=${1:-1} base=${VEMO_XVFB_BASE:-71} lane prefix first
    vemo_prepare_lanes "$lanes" || return 1
    for ((lane = 1; lane <= lanes; lane++)); do
        first=$((base + 10 * (lane - 1)))
        prefix=$WINEPREFIX
        [ "$lane" -gt 1 ] && prefix=$WINEPREFIX-lane$lane
        vemo_start_display "$first" 24 || return 1
        vemo_start_display "$((first + 1))" 16 || return 1
        vemo_start_display "$((first + 2))" 8 || return 1
        export "VEMO_LANE_PREFIX_$lane=$prefix" "VEMO_LANE_XVFB_$lane=$first"
        vemo_lane_prefixes+=("$prefix")
    done
    for ((lane = 1; lane <= lanes; lane++)); do
        first=$((base + 10 * (lane - 1)))
        prefix=${vemo_lane_prefixes[lane - 1]}
        vemo_start_server "$prefix" ":$first"
    done
    export VEMO_WINE_LANES=$lanes
    export VEMO_DISPLAY_24=":$base" VEMO_DISPLAY_16=":$((base + 1))" VEMO_DISPLAY_8=":$((base + 2))"
    export DISPLAY=$VEMO_DISPLAY_24
}

vemo_wine_stop() {
    local prefix p
    [ ${#vemo_lane_prefixes[@]} -gt 0 ] || vemo_lane_prefixes=("$WINEPREFIX")
    for prefix in "${vemo_lane_prefixes[@]}"; do
        WINEPREFIX=$prefix "$VEMO_WINESERVER" -k >/dev/null 2>&1 || true
    done
    vemo_lane_prefixes=()
    for p in "${vemo_xvfb_pids[@]}"; do
        kill "$p" >/dev/null 2>&1 || true
    done
    vemo_xvfb_pids=()
}
