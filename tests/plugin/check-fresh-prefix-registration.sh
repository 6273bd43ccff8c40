#!/bin/sh
# Registration for today's browsers as a user does it, in a Wine prefix made for this run:
# regsvr32 on the plug-in in a folder of its own; the stand-in in its --modern mode, given no
# plug-in folder, finds the plug-in through the registry and draws the town map as it does from a
# plug-in folder; regsvr32 /u leaves no key behind (read back with reg query).
# Usage: check-fresh-prefix-registration.sh NPVemoC.dll VemoDoc.dll vemohost.exe EXAMPLES WORK
# Needs DISPLAY (an Xvfb at 24 bits) and ImageMagick's identify.
set -u
plugin=$1 renderer=$2 host=$3 examples=$4 work=$5
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all WINEARCH=win64 WINELOADER=$wine
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}
finish() {
    "$server" -k >/dev/null 2>&1
    rm -rf "$work"
}
trap finish EXIT
rm -rf "$work"
mkdir -p "$work"
"$wine" wineboot -u </dev/null >/dev/null 2>&1
"$server" -w
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/Any Folder" "$drive/renderer" "$drive/page"
cp "$plugin" "$drive/Any Folder/NPVemoC.dll"
cp "$renderer" "$drive/renderer/VemoDoc.dll"
cp "$examples/town-map.vem" "$drive/page/"
printf '<html><body><embed src="town-map.vem" width="320" height="240"></body></html>' \
    >"$drive/page/page.html"
"$wine" regsvr32 /s 'C:\renderer\VemoDoc.dll' || fail "the renderer does not register"

# The one command a user runs.
"$wine" regsvr32 /s 'C:\Any Folder\NPVemoC.dll' || fail "regsvr32 NPVemoC.dll failed"
key='HKCU\Software\MozillaPlugins\@vemo.example/NPVemoC'
"$wine" reg query "$key" /v Path 2>/dev/null | tr -d '\r' | grep -q 'C:\\Any Folder\\NPVemoC.dll' ||
    fail "Path is not the library's place"
"$wine" reg query "$key\\MimeTypes\\application/vnd.vemo" /v Suffixes 2>/dev/null |
    grep -q 'vem,web' || fail "no suffixes for application/vnd.vemo"

show() { # log-name capture-name options...
    log=$1 capture=$2
    shift 2
    (cd "$drive/page" && "$wine" "$host" "$@" --log "$log" --do 'open page.html' --do idle \
        --do 'ticks 8' --do "capture $capture in=1" >/dev/null 2>&1)
}
show modern.txt registry.bmp --modern || fail "the --modern run failed"
grep -q '^plugin-key "HKCU\\\\Software\\\\MozillaPlugins\\\\@vemo.example/NPVemoC"' \
    "$drive/page/modern.txt" || fail "the plug-in was not found in the registry"
grep -q '^call NPP_New #1 ' "$drive/page/modern.txt" || fail "no instance in the --modern run"
show folder.txt folder.bmp --plugins 'C:\Any Folder' || fail "the run with a plug-in folder failed"
cmp -s "$drive/page/registry.bmp" "$drive/page/folder.bmp" ||
    fail "the drawing differs from the one shown from a plug-in folder"
colours=$(identify -format '%k' "$drive/page/registry.bmp" 2>/dev/null || echo 0)
[ "$colours" -gt 50 ] || fail "the capture holds $colours colours: no town map"

"$wine" regsvr32 /s /u 'C:\Any Folder\NPVemoC.dll' || fail "regsvr32 /u failed"
if "$wine" reg query 'HKCU\Software\MozillaPlugins' >/dev/null 2>&1; then
    fail "a key is left behind: $("$wine" reg query 'HKCU\Software\MozillaPlugins' /s)"
fi
show gone.txt gone.bmp --modern
grep -q '^plugin-key ' "$drive/page/gone.txt" && fail "the stand-in still finds a key"

[ $status -eq 0 ] && echo "registered, found through the registry ($colours colours), unregistered"
exit $status
