#!/bin/sh
# make-cabinet.sh OUTPUT PLUGIN RENDERER
# Writes the installer's cabinet: PLUGIN stored as "NPVemoC.dll", then RENDERER as
# "VemoDoc.dll", compressed with MSZIP. The same two inputs always give the same bytes: the
# files are copied with fixed times and attributes, and no folder names are stored.
set -eu
[ $# -eq 3 ] || { echo "usage: $0 OUTPUT PLUGIN RENDERER" >&2; exit 2; }
output=$1
stage=$(mktemp -d "${TMPDIR:-/tmp}/vemo-cabinet.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp "$2" "$stage/NPVemoC.dll"
cp "$3" "$stage/VemoDoc.dll"
chmod 644 "$stage/NPVemoC.dll" "$stage/VemoDoc.dll"
touch -d '2000-01-01 00:00:00 UTC' "$stage/NPVemoC.dll" "$stage/VemoDoc.dll"
mkdir -p "$(dirname "$output")"
(cd "$stage" && TZ=UTC gcab -c -z cabinet.cab NPVemoC.dll VemoDoc.dll)
mv "$stage/cabinet.cab" "$output.tmp"
mv "$output.tmp" "$output"
