#!/usr/bin/env bash
# The demo: the example page in the browser stand-in (vemohost.exe) with the plug-in and the
# renderer as built, under Xvfb at 24, 16 and 8 bits; the drawings render and PNG screenshots
# of the page, of the drawing building up over a slow stream, of a full-page drawing, of a
# printed page and of the picture zoomed in by a dragged frame and then pushed go into a folder.
# Then the world map, converted by `vemo convert` from the npm package @svg-maps/world (CC BY 4.0)
# onto a page of its own with each country linked to a generated page (build/world-example,
# scripts/make-world-page.py): at 24, 16 and 8 bits, zoomed in, pushed, and a country clicked.
# Between the two, scripts/guide-images.sh makes the guides' pictures anew in docs/images (or
# $VEMO_GUIDE_IMAGES).
#
#   scripts/demo.sh [FOLDER]          screenshots into FOLDER (default: demo)
#   scripts/demo.sh --show            open the example page on this machine's display, for a person
#
# Uses the x86_64 build (build/win64; built here when missing) under wine64.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

show=0
out=demo
for arg in "$@"; do
    case "$arg" in
    --show) show=1 ;;
    -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
    *) out=$arg ;;
    esac
done
user_display=${DISPLAY:-}

source scripts/host-run.sh
vemo_host_build
trap vemo_wine_stop EXIT
vemo_host_wine_start
page=$(winpath examples/index.html)

if [ "$show" = 1 ]; then
    if [ -z "$user_display" ]; then
        echo "demo: --show needs a display (DISPLAY is not set)" >&2
        exit 1
    fi
    echo "demo: opening the example page; close the window to end"
    DISPLAY=$user_display "$VEMO_WINE" "$(winpath "$vemo_host")" \
        --plugins "$(winpath "$vemo_win64/plugin")" --size 700x600 "$page" </dev/null >/dev/null
    exit 0
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
shots=$(winpath "$out")
run_host() { # display [host options...] -- steps...
    local display=$1
    shift
    vemo_run_host "$display" "$shots" --size 700x600 "$@"
}

at_each_depth() { # NAME PAGE TICKS WHAT: the page at 24, 16 and 8 bits, into NAME-DEPTH-bit.bmp
    local depth display_var
    for depth in 24 16 8; do
        display_var=VEMO_DISPLAY_$depth
        run_host "${!display_var}" -- "open \"$2\"" idle "ticks $3" \
            "capture \"$shots\\$1-$depth-bit.bmp\" in=page"
        echo "demo: $4 at $depth bits"
    done
}

at_each_depth page "$page" 6 "the example page"

# The drawing building up over a slow line: 128 bytes every 400 ms.
run_host "$VEMO_DISPLAY_24" --chunk 128 --pace 400 -- "open \"$page\"" \
    "ticks 4" "capture \"$shots\\slow-1.bmp\" in=1" \
    "ticks 4" "capture \"$shots\\slow-2.bmp\" in=1" \
    "ticks 4" "capture \"$shots\\slow-3.bmp\" in=1" \
    idle "ticks 4" "capture \"$shots\\slow-4.bmp\" in=1"
echo "demo: a slow stream, captured every 4 ticks"

# A drawing opened by itself, and the page printed at twice the screen's resolution.
run_host "$VEMO_DISPLAY_24" -- "open \"$(winpath examples/chart.vem)\"" idle "ticks 6" \
    "capture \"$shots\\full-page-chart.bmp\" in=page"
run_host "$VEMO_DISPLAY_24" -- "open \"$page\"" idle "ticks 6" \
    "print \"$shots\\printed-page.bmp\" scale=2"
echo "demo: a full-page drawing and a printed page"

# The mouse tools on the example page: a dragged frame zooms in, then the push tool (chosen
# from the context menu) moves the picture and only the uncovered strips are rendered.
run_host "$VEMO_DISPLAY_24" -- "open \"$page\"" idle "ticks 6" "drag 160 120 480 360" \
    "ticks 10" "capture \"$shots\\zoomed-in.bmp\" in=page" \
    "click 300 200 right" "menu \"Push Tool\"" "drag 300 200 400 250" "ticks 10" \
    "capture \"$shots\\pushed.bmp\" in=page"
echo "demo: a zoom drag and a push drag"

# The pictures of the guides (docs/publishing.md, docs/using.md), made anew in this environment.
VEMO_GUIDE_WINE_READY=1 scripts/guide-images.sh "${VEMO_GUIDE_IMAGES:-docs/images}"

# The world map. Needs the vemo program with its SVG converter and the corpus's npm packages.
vemo=dist/vemo
[ -x "$vemo" ] || vemo=build/native/uninstrumented/authoring/cli/vemo
world=build/world-example
world_svg=build/corpus/node_modules/@svg-maps/world/world.svg
if [ -x "$vemo" ] && scripts/corpus.sh && /usr/bin/python3 scripts/make-world-page.py "$world_svg" "$world" &&
    "$vemo" convert --quiet "$world/world-linked.svg" "$world/world.vem"; then
    world_page=$(winpath "$world/world.html")
    at_each_depth world "$world_page" 8 "the world map"
    # Zoomed in on Europe by a dragged frame, pushed with the push tool, then a click on Brazil
    # opens its page.
    run_host "$VEMO_DISPLAY_24" -- "open \"$world_page\"" idle "ticks 8" "drag 285 150 425 250" \
        "ticks 12" "capture \"$shots\\world-zoomed-in.bmp\" in=page" \
        "click 300 200 right" "menu \"Push Tool\"" "drag 300 200 200 230" "ticks 12" \
        "capture \"$shots\\world-pushed.bmp\" in=page"
    # (The click's page replaces the instance, so the host reports the "up" step as failed and
    # exits with 1; the capture shows whether the country's page came.)
    VEMO_HOST_TRIES=1 run_host "$VEMO_DISPLAY_24" -- "open \"$world_page\"" idle "ticks 8" \
        "move 210 322" "ticks 1" "down 210 322" "up 210 322" "wait 800" \
        "capture \"$shots\\world-country-page.bmp\" in=page" || true
    [ -f "$out/world-country-page.bmp" ] || { echo "demo: the country's page did not come" >&2; exit 1; }
    echo "demo: the world map zoomed in, pushed, and a country's page"
else
    echo "demo: no world map (needs $vemo with its SVG converter and scripts/corpus.sh)"
fi

"$VEMO_WINE" regsvr32 /s /u "$(winpath "$vemo_renderer")" </dev/null || true

for bmp in "$out"/*.bmp; do
    if command -v convert >/dev/null; then
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    fi
done
echo "demo: screenshots in $out:"
ls -1 "$out"
