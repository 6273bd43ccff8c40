#!/bin/sh
# The compiler launcher of every preset's build: ccache when the machine has it, else the
# compiler itself. ccache keeps its cache where the user's is (~/.cache/ccache, or as configured)
# and hashes paths below this source tree relative to it, and not the build folder: builds of
# clones in other folders (a CI run's clean clone) find what this one compiled.
if command -v ccache >/dev/null 2>&1; then
    CCACHE_BASEDIR=$(cd "$(dirname "$0")/.." && pwd -P)
    CCACHE_NOHASHDIR=true
    export CCACHE_BASEDIR CCACHE_NOHASHDIR
    exec ccache "$@"
fi
exec "$@"
