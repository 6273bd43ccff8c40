#!/usr/bin/env bash
# The real-drawings benchmark: installs its peers and drawings, builds the benchmark and the vemo
# program without sanitizers, makes the scenes (SVG by scenes.mjs, drawings by vemo convert) and
# runs it. Arguments go to the benchmark:
#   bench/real-drawings/run.sh [runs] [--only NAME] [--dump FOLDER] [--no-skia] [--ours-only]
#                              [--area-overlaps]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
scripts/bootstrap.sh bench
if [ ! -d bench/real-drawings/node_modules/@napi-rs/canvas ]; then
    (cd bench/real-drawings && npm ci --no-audit --no-fund)
fi
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
command -v ccache >/dev/null || unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMO_BENCH=ON >/dev/null
cmake --build build/bench --target bench_real_drawings vemo
out=build/bench/real-drawings
if [ ! -d "$out/vem" ] || [ bench/real-drawings/scenes.mjs -nt "$out/vem" ]; then
    rm -rf "$out"
    mkdir -p "$out/vem"
    node bench/real-drawings/scenes.mjs "$out/svg"
    build/bench/authoring/cli/vemo convert --out-dir "$out/vem" --quiet "$out"/svg/*.svg
    build/bench/authoring/cli/vemo convert --out-dir "$out/vem" --width 1024 "$out"/svg/clipart/*.svg
fi
exec build/bench/bench/real-drawings/bench_real_drawings "$@" "$out"/vem/*.vem
