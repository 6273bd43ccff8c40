#!/usr/bin/env bash
# The main job: builds the shipped binaries for both architectures and puts them into dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
jobs=${VEMO_JOBS:-$(nproc)}
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
# The vemo program (Linux): the native build's, optimised and without sanitizers.
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target vemo_release
rm -rf dist
mkdir -p dist/i686 dist/x86_64
cp build/native/uninstrumented/authoring/cli/vemo dist/
for arch in i686:win32 x86_64:win64; do
    a=${arch%%:*} b=${arch##*:}
    for f in plugin/NPVemoC.dll renderer/VemoDoc.dll setup/setup.exe host/vemohost.exe; do
        cp "build/$b/$f" "dist/$a/"
    done
done
echo "dist/:"
find dist -type f | sort

# The demo: the example page in the browser stand-in under Xvfb, screenshots (PNG) into demo/.
if [ -f build/win64/host/vemohost.exe ]; then
    scripts/demo.sh "${VEMO_DEMO_DIR:-demo}"
else
    echo "demo: the browser stand-in is not built; no screenshots"
fi
