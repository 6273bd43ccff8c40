# Sourced by scripts/demo.sh and scripts/guide-images.sh (from the repository's root): the
# x86_64 browser stand-in with the plug-in and the renderer of build/win64, Wine started with
# scripts/wine-env.sh (prefix $WINEPREFIX, default build/wineprefix), and runs of the stand-in
# with a list of steps.
#
#   vemo_host_build [TARGET FILE]...   builds vemohost, NPVemoC and VemoDoc (and each TARGET,
#                                      for its FILE) when one of their files is missing
#   winpath PATH                       a Unix path as Wine sees it
#   vemo_host_wine_start               starts Wine and registers the renderer
#   vemo_run_host DISPLAY LOGDIR [host options and address...] -- STEP...
#                                      runs the stand-in with --do STEP each, its log in
#                                      LOGDIR (a Wine path); tried again once when it fails
#                                      (VEMO_HOST_TRIES=1: only once)
vemo_win64=build/win64
vemo_host=$vemo_win64/host/vemohost.exe
vemo_renderer=$vemo_win64/renderer/VemoDoc.dll

vemo_host_build() {
    local targets=(vemohost NPVemoC VemoDoc)
    local files=("$vemo_host" "$vemo_win64/plugin/NPVemoC.dll" "$vemo_renderer")
    while [ $# -ge 2 ]; do
        targets+=("$1")
        files+=("$2")
        shift 2
    done
    local f
    for f in "${files[@]}"; do
        if [ ! -f "$f" ]; then
            cmake --preset win64 >/dev/null
            cmake --build "$vemo_win64" -j "${VEMO_JOBS:-2}" --target "${targets[@]}"
            return
        fi
    done
}

winpath() {
    local p
    p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    echo "Z:${p//\//\\}"
}

source scripts/wine-env.sh

vemo_host_wine_start() {
    vemo_wine_start || true # (the warm-up steps answer non-zero when a server runs already)
    "$VEMO_WINE" regsvr32 /s "$(winpath "$vemo_renderer")" </dev/null
}

vemo_run_host() {
    local display=$1 log=$2
    shift 2
    local options=() steps=() s attempt
    while [ "$1" != "--" ]; do
        options+=("$1")
        shift
    done
    shift
    for s in "$@"; do
        steps+=(--do "$s")
    done
    # Under Wine a program now and then does not start at all.
    for attempt in $(seq 1 "${VEMO_HOST_TRIES:-2}"); do
        if DISPLAY=$display "$VEMO_WINE" "$(winpath "$vemo_host")" \
            --plugins "$(winpath "$vemo_win64/plugin")" "${options[@]}" "${steps[@]}" \
            --log "$log\\host-log.txt" </dev/null >/dev/null; then
            return 0
        fi
    done
    return 1
}
