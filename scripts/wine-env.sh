# Sourced by the scripts that run Windows programs: a Wine prefix, three Xvfb displays
# (24, 16 and 8 bits deep) and a warm wineserver.
#
#   WINEPREFIX       the prefix to use (made when missing); default build/wineprefix
#   VEMO_XVFB_BASE   first display number; the three displays are BASE, BASE+1, BASE+2 (default 71)
#
# Exports DISPLAY (the 24-bit one) and VEMO_DISPLAY_24, VEMO_DISPLAY_16, VEMO_DISPLAY_8.
# Call vemo_wine_stop when done.

vemo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$vemo_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml=;winemenubuilder.exe=d"}
export WINELOADER=/usr/lib/wine/wine64
export WINEARCH=win64
VEMO_WINE=/usr/lib/wine/wine64
VEMO_WINESERVER=/usr/lib/wine/wineserver64
vemo_xvfb_pids=()

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

vemo_wine_start() {
    local base=${VEMO_XVFB_BASE:-71}
    vemo_start_display "$base" 24
    vemo_start_display "$((base + 1))" 16
    vemo_start_display "$((base + 2))" 8
    export VEMO_DISPLAY_24=":$base" VEMO_DISPLAY_16=":$((base + 1))" VEMO_DISPLAY_8=":$((base + 2))"
    export DISPLAY=$VEMO_DISPLAY_24
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$VEMO_WINE" wineboot -u </dev/null >/dev/null 2>&1
        "$VEMO_WINESERVER" -w
    fi
    # No crash dialogs (they would block forever), no window-manager stalls on dialog close.
    "$VEMO_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    "$VEMO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    # A warm server: ctest does not wait for Wine's helpers to close its pipes. The server the
    # commands above started lingers a few seconds; a persistent one can start only after it.
    # A server made persistent by an earlier start never ends, so the wait is bounded.
    timeout 20 "$VEMO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    "$VEMO_WINESERVER" -p </dev/null >/dev/null 2>&1
    "$VEMO_WINE" wineboot </dev/null >/dev/null 2>&1
}

vemo_wine_stop() {
    "$VEMO_WINESERVER" -k >/dev/null 2>&1 || true
    local p
    for p in "${vemo_xvfb_pids[@]}"; do
        kill "$p" >/dev/null 2>&1 || true
    done
    vemo_xvfb_pids=()
}
