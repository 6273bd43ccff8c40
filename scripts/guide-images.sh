#!/usr/bin/env bash
# The pictures of the guides (docs/publishing.md, docs/using.md): each scene is a page made here
# with the attributes it shows, opened in the browser stand-in (vemohost.exe) with the plug-in
# and the renderer as built, under Xvfb at 24 bits, and captured. The pictures are made small
# (cropped, quantised by pngquant, no metadata) and written into FOLDER only when their pixels
# changed, so that running this again leaves the files as they are.
#
#   scripts/guide-images.sh [FOLDER]     pictures into FOLDER (default: docs/images)
#
# Run by scripts/demo.sh (so by the main job), inside its Wine environment
# (VEMO_GUIDE_WINE_READY=1); run by itself it starts one of its own. The worked example of the
# publishing guide (docs/examples/garden.svg) needs the vemo program; without it those pictures
# stay as they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

out=docs/images
for arg in "$@"; do
    case "$arg" in
    -h | --help) sed -n '2,13p' "$0"; exit 0 ;;
    *) out=$arg ;;
    esac
done

source scripts/host-run.sh
installer=$vemo_win64/setup/setup.exe
vemo_host_build setup "$installer"
command -v pngquant >/dev/null || { echo "guide-images: pngquant is missing (scripts/bootstrap.sh)" >&2; exit 1; }

if [ "${VEMO_GUIDE_WINE_READY:-0}" != 1 ]; then
    trap 'vemo_wine_stop' EXIT
    vemo_host_wine_start
fi
display=${VEMO_DISPLAY_24:-$DISPLAY}

# The site: http://www.example.com/PATH is build/guide-site/PATH.
site=build/guide-site
rm -rf "$site"
mkdir -p "$site/maps" "$site/garden" "$out"
cp examples/*.vem "$site/maps/"
cp -r examples/districts "$site/maps/"
work=$(mktemp -d)
trap 'rm -rf "$work"; [ "${VEMO_GUIDE_WINE_READY:-0}" = 1 ] || vemo_wine_stop' EXIT
shots=$(winpath "$work")

page() { # PATH TITLE BODY: a page of the site
    printf '<html><head><title>%s</title></head><body>\n%s\n</body></html>\n' "$2" "$3" >"$site/$1"
}

run_host() { # SIZE ADDRESS [host options...] -- steps...
    local size=$1 address=$2
    shift 2
    if vemo_run_host "$display" "$shots" --site "$(winpath "$site")" --size "$size" "$address" "$@"; then
        return 0
    fi
    echo "guide-images: the stand-in failed on $address; its log:" >&2
    cat "$work/host-log.txt" >&2
    return 1
}

# A picture of $work as PNG: converted with the given ImageMagick operations, quantised, and
# put into $out unless the file there shows the same pixels.
made=()
finish() { # NAME [convert operations...]
    local name=$1
    shift
    local args=()
    if [ -f "$work/$name.bmp" ]; then
        args=("$work/$name.bmp")
    fi
    for a in "$@"; do
        case "$a" in
        *.bmp) args+=("$work/$a") ;;
        *) args+=("$a") ;;
        esac
    done
    convert "${args[@]}" -strip "PNG24:$work/$name.png"
    pngquant --quality 60-90 --speed 1 --strip --force --output "$work/$name-small.png" "$work/$name.png" ||
        cp "$work/$name.png" "$work/$name-small.png"
    local target=$out/$name.png
    if [ -f "$target" ] &&
        [ "$(compare -metric AE "$target" "$work/$name-small.png" null: 2>&1 || true)" = 0 ]; then
        made+=("$name (unchanged)")
        return
    fi
    cp "$work/$name-small.png" "$target"
    made+=("$name")
}

# Side by side with a white gap, or one above the other.
beside=(-background white -splice 12x0 +append -chop 12x0)
above=(-background white -splice 0x8 -append -chop 0x8)
framed=(-bordercolor "#a0a0a0" -border 1) # the plug-in's window alone, outlined

town='<embed src="town-map.vem" width="320" height="240"'

# ---- The worked example: an SVG drawing converted by vemo, embedded and opened by itself ----
vemo=dist/vemo
[ -x "$vemo" ] || vemo=build/native/uninstrumented/authoring/cli/vemo
if [ -x "$vemo" ]; then
    "$vemo" convert --quiet docs/examples/garden.svg "$site/garden/garden.vem"
    page garden/index.html "Our garden" '<h1>Our garden</h1>
<p>Point at the pond or a bed; click to read about it.</p>
<embed src="garden.vem" width="480" height="320">'
    run_host 500x420 http://www.example.com/garden/index.html -- idle "ticks 8" "move 340 110" \
        "ticks 2" "capture \"$shots\\embed-page.bmp\" in=window"
    finish embed-page
    run_host 360x240 http://www.example.com/garden/garden.vem -- idle "ticks 8" "move 60 60" \
        "ticks 2" "capture \"$shots\\full-page.bmp\" in=window"
    finish full-page
else
    echo "guide-images: no vemo program; the worked example's pictures stay as they are"
fi

# ---- viewport ----
page maps/whole.html "Whole" "$town>"
page maps/part.html "Part" "$town viewport=\"288000 0 576000 216000\">"
run_host 340x260 http://www.example.com/maps/whole.html -- idle "ticks 8" \
    "capture \"$shots\\whole.bmp\" in=1"
run_host 340x260 http://www.example.com/maps/part.html -- idle "ticks 8" \
    "capture \"$shots\\part.bmp\" in=1"
finish viewport whole.bmp part.bmp "${framed[@]}" "${beside[@]}"

# "false" at the end: the printed picture is stretched; the screen keeps the proportions.
page maps/stretch.html "Stretch" "$town viewport=\"0 0 576000 216000 false\">"
run_host 340x260 http://www.example.com/maps/stretch.html -- idle "ticks 8" \
    "capture \"$shots\\stretch-screen.bmp\" in=1" "print \"$shots\\stretch-print.bmp\""
finish viewport-false stretch-screen.bmp "(" stretch-print.bmp -crop 320x240+8+8 +repage ")" \
    "${framed[@]}" "${beside[@]}"

# Commas: every number after the first reads as 0, a view without area, nothing drawn.
page maps/commas.html "Commas" "$town viewport=\"0,0,576000,432000\">"
run_host 340x260 http://www.example.com/maps/commas.html -- idle "ticks 8" "move 160 120" \
    "ticks 2" "capture \"$shots\\viewport-commas.bmp\" in=window"
finish viewport-commas

# The context menu opened at X,Y over the drawing of maps/PAGE, as picture NAME.
context_menu() { # NAME PAGE X Y
    run_host 340x260 "http://www.example.com/maps/$2" -- idle "ticks 8" "move $3 $4" \
        "ticks 2" "click $3 $4 right" "wait 300" "capture \"$shots\\$1.bmp\" in=window" \
        "menu cancel"
    finish "$1"
}

# ---- zoompan, fileaccess: the context menu ----
page maps/zoompan.html "No zooming" "$town zoompan=\"false\">"
context_menu zoompan-false zoompan.html 100 60
page maps/fileaccess.html "No file access" "$town fileaccess=\"false\">"
context_menu fileaccess-false fileaccess.html 100 60

# ---- base: the same link resolved against the drawing's address, then against the base ----
page maps/links.html "Links" "$town>"
page maps/base.html "Base" "$town base=\"http://www.example.org/visitors/\">"
for name in links base; do
    run_host 760x260 "http://www.example.com/maps/$name.html" -- idle "ticks 8" "move 290 200" \
        "ticks 2" "capture \"$shots\\status-$name.bmp\" in=window"
done
finish base status-links.bmp status-base.bmp -gravity South -crop 768x24+0+0 +repage \
    -gravity NorthWest "${above[@]}"

# ---- scriptlinks: the status line names a script address (drawn by vemo from a small SVG) ----
if [ -x "$vemo" ]; then
    cat >"$work/pond.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="320" height="240" viewBox="0 0 320 240">
  <rect width="320" height="240" fill="#eef3e2"/>
  <a href="javascript:showPond()"><ellipse cx="160" cy="120" rx="110" ry="70" fill="#5b8fd1"/></a>
</svg>
SVG
    "$vemo" convert --quiet "$work/pond.svg" "$site/maps/pond.vem"
    page maps/scriptlinks.html "Script links" \
        '<embed src="pond.vem" width="320" height="240" scriptlinks="true">'
    run_host 340x260 http://www.example.com/maps/scriptlinks.html -- idle "ticks 8" \
        "move 160 120" "ticks 2" "capture \"$shots\\scriptlinks.bmp\" in=window"
    finish scriptlinks
fi

# ---- loading, failures, content not shown ----
page maps/loading.html "Loading" "$town>"
run_host 340x260 http://www.example.com/maps/loading.html --chunk 64 --pace 1000 -- "ticks 3" \
    "capture \"$shots\\loading.bmp\" in=1"
finish loading "${framed[@]}"
page maps/corrupt.html "Corrupt" '<embed src="failure-corrupt.vem" width="320" height="200">'
# What a server sends in place of a missing drawing, with the drawing's type.
printf '<html><body>404 Not Found</body></html>\n' >"$site/maps/moved.vem"
page maps/not-a-drawing.html "Not a drawing" '<embed src="moved.vem" width="320" height="200">'
for name in corrupt not-a-drawing; do
    run_host 340x220 "http://www.example.com/maps/$name.html" -- idle "ticks 4" \
        "capture \"$shots\\failed-$name.bmp\" in=1"
done
finish failures failed-corrupt.bmp failed-not-a-drawing.bmp "${framed[@]}" "${beside[@]}"
# The warning shows only when it was not silenced within the last day.
"$VEMO_WINE" reg delete 'HKCU\Software\Vemo\NPVemoC' /f </dev/null >/dev/null 2>&1 || true
page maps/unknown.html "Unknown" '<embed src="warning-unknown.vem" width="320" height="200">'
run_host 340x220 http://www.example.com/maps/unknown.html -- \
    "dialog capture \"$shots\\warning-dialog.bmp\" button Ignore" idle
finish warning-dialog

# ---- for readers: the context menu, a zoom frame, About, an error box ----
page maps/index.html "Town map" "$town>"
context_menu context-menu index.html 80 60
run_host 340x260 http://www.example.com/maps/index.html -- idle "ticks 8" "down 170 40" \
    "move 200 80" "move 240 120" "move 270 150" "ticks 1" \
    "capture \"$shots\\zoom-frame.bmp\" in=1" "up 270 150" "ticks 10" \
    "capture \"$shots\\zoomed.bmp\" in=1"
finish zoom-drag zoom-frame.bmp zoomed.bmp "${framed[@]}" "${beside[@]}"
# The push tool chosen from the menu, the picture before and after a drag down and right.
run_host 340x260 http://www.example.com/maps/index.html -- idle "ticks 8" \
    "capture \"$shots\\push-before.bmp\" in=1" "click 80 60 right" "menu \"Push Tool\"" \
    "drag 120 80 200 140" "ticks 10" "capture \"$shots\\push-after.bmp\" in=1"
finish push-drag push-before.bmp push-after.bmp "${framed[@]}" "${beside[@]}"
# Printing: the window zoomed in with Smoothed off, and the printed page (at the screen's
# resolution) cut to the drawing; below them the same corner of each, four times as large.
run_host 340x260 http://www.example.com/maps/index.html -- idle "ticks 8" \
    "drag 100 60 220 150" "ticks 10" "click 80 60 right" "menu \"Smoothed\"" "ticks 10" \
    "capture \"$shots\\print-screen.bmp\" in=1" "print \"$shots\\print-page.bmp\""
convert "$work/print-page.bmp" -crop 320x240+8+8 +repage "$work/print-drawing.bmp"
for name in print-screen print-drawing; do
    convert "$work/$name.bmp" -crop 80x60+0+90 +repage -scale 400% "$work/$name-corner.bmp"
done
finish printing "(" print-screen.bmp print-drawing.bmp "${framed[@]}" "${beside[@]}" ")" \
    "(" print-screen-corner.bmp print-drawing-corner.bmp "${framed[@]}" "${beside[@]}" ")" \
    "${above[@]}"
run_host 340x260 http://www.example.com/maps/index.html -- idle "ticks 4" "click 80 60 right" \
    "menu \"About...\"" "dialog capture \"$shots\\about.bmp\" button OK"
finish about
run_host 340x260 http://www.example.com/maps/index.html -- idle "ticks 8" "fail geturl always" \
    "move 290 200" "ticks 1" "click 290 200" "dialog capture \"$shots\\error-box.bmp\" ok"
finish error-box

# ---- today's browsers: the plug-in registered with regsvr32, found without a plug-in folder ----
plugin_dll=$(winpath "$vemo_win64/plugin/NPVemoC.dll")
mkdir -p "$work/no-plugins"
"$VEMO_WINE" regsvr32 /s "$plugin_dll" </dev/null
found=0
run_host 340x260 http://www.example.com/maps/index.html --modern \
    --plugins "$(winpath "$work/no-plugins")" -- idle "ticks 8" "move 290 200" "ticks 2" \
    "capture \"$shots\\todays-browser.bmp\" in=window" && found=1
"$VEMO_WINE" regsvr32 /s /u "$plugin_dll" </dev/null
[ "$found" = 1 ] || exit 1
finish todays-browser

# ---- the installer's dialog (read from the X display; the program is ended unanswered) ----
DISPLAY=$display "$VEMO_WINE" "$(winpath "$installer")" </dev/null >/dev/null 2>&1 &
setup_pid=$!
window=""
for _ in $(seq 1 100); do
    window=$(xwininfo -root -tree -display "$display" 2>/dev/null |
        awk '/"Vemo graphic plug-in 2.0 Setup"/ { print $1; exit }')
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -n "$window" ]; then
    sleep 0.5
    xwd -id "$window" -display "$display" -out "$work/setup-dialog.xwd"
    convert "xwd:$work/setup-dialog.xwd" "$work/setup-dialog.bmp"
fi
kill "$setup_pid" 2>/dev/null || true
wait "$setup_pid" 2>/dev/null || true
if [ -f "$work/setup-dialog.bmp" ]; then
    finish setup-dialog
else
    echo "guide-images: the installer's dialog did not appear; its picture stays as it is" >&2
fi

echo "guide-images: pictures in $out:"
for m in "${made[@]}"; do
    size=$(stat -c %s "$out/${m%% *}.png")
    echo "  ${m%% *}.png $((size / 1024)) KiB${m#"${m%% *}"}"
done
