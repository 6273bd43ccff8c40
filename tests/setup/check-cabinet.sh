#!/bin/sh
# check-cabinet.sh CABINET PLUGIN RENDERER [PROGRAM]
# The installer's cabinet: a Microsoft cabinet 1.3 with one MSZIP folder holding PLUGIN as
# "NPVemoC.dll" and then RENDERER as "VemoDoc.dll", byte for byte; made again from the same
# files (at another time, in another time zone) it comes out identical. With PROGRAM, the
# installer carries these same two files.
set -u
cabinet=$1 plugin=$2 renderer=$3 program=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
make=$here/../../setup/make-cabinet.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/vemo-cabcheck.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

byte() { od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' '; }
word() { od -An -tu2 -j "$2" -N 2 --endian=little "$1" | tr -d ' '; }

[ "$(head -c 4 "$cabinet")" = "MSCF" ] || fail "no MSCF signature"
[ "$(byte "$cabinet" 24).$(byte "$cabinet" 25)" = "3.1" ] || fail "format is not 1.3"
[ "$(word "$cabinet" 26)" = 1 ] || fail "not one folder"
[ "$(word "$cabinet" 28)" = 2 ] || fail "not two files"
[ "$(word "$cabinet" 30)" = 0 ] || fail "header flags set"
[ "$(word "$cabinet" 42)" = 1 ] || fail "folder not compressed with MSZIP"

names=$(cabextract -l "$cabinet" | awk -F'|' '/\|.*\|/ && !/Name/ {gsub(/^ +| +$/, "", $3); print $3}' | tr '\n' ' ')
[ "$names" = "NPVemoC.dll VemoDoc.dll " ] || fail "listing is '$names'"

mkdir -p "$work/out"
cabextract -q -d "$work/out" "$cabinet" || fail "cabextract failed"
cmp -s "$work/out/NPVemoC.dll" "$plugin" || fail "NPVemoC.dll differs from $plugin"
cmp -s "$work/out/VemoDoc.dll" "$renderer" || fail "VemoDoc.dll differs from $renderer"

cp "$plugin" "$work/p.dll" && cp "$renderer" "$work/r.dll"
touch "$work/p.dll" "$work/r.dll"
TZ=Asia/Tokyo sh "$make" "$work/again1.cab" "$work/p.dll" "$work/r.dll" || fail "remaking failed"
sleep 1
touch "$work/p.dll"
TZ=America/New_York sh "$make" "$work/again2.cab" "$plugin" "$work/r.dll" || fail "remaking failed"
cmp -s "$work/again1.cab" "$cabinet" || fail "the cabinet made again differs"
cmp -s "$work/again2.cab" "$cabinet" || fail "the cabinet made a third time differs"

if [ -n "$program" ]; then
    mkdir -p "$work/carried"
    cabextract -q -d "$work/carried" "$program" || fail "no cabinet found in $program"
    cmp -s "$work/carried/NPVemoC.dll" "$plugin" || fail "$program carries another NPVemoC.dll"
    cmp -s "$work/carried/VemoDoc.dll" "$renderer" || fail "$program carries another VemoDoc.dll"
fi
[ $status -eq 0 ] && echo "cabinet ok: $names"
exit $status
