#!/usr/bin/env bash
# Fetches the fidelity corpus (tests/authoring/corpus.txt): the npm packages at the versions
# pinned in tests/authoring/corpus/package-lock.json go into build/corpus (or
# $VEMO_CORPUS_DIR); the clip art is Debian's openclipart-svg (scripts/bootstrap.sh installs
# it). Quick when all is there. Prints nothing on success.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest=${VEMO_CORPUS_DIR:-$root/build/corpus}
pins=$root/tests/authoring/corpus
if cmp -s "$pins/package-lock.json" "$dest/package-lock.json" &&
    [ -f "$dest/node_modules/@svg-maps/world/world.svg" ]; then
    exit 0
fi
if ! command -v npm >/dev/null; then
    echo "corpus: npm is missing (scripts/bootstrap.sh installs it)" >&2
    exit 1
fi
mkdir -p "$dest"
cp "$pins/package.json" "$pins/package-lock.json" "$dest/"
(cd "$dest" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
