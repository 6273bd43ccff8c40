#!/bin/sh
# The compiler launcher of every preset's build: ccache when the machine has it, else the
# compiler itself. ccache keeps its cache where the user's is (~/.cache/ccache, or as configured)
# and hashes paths below this source tree relative to it, and not the build folder: builds of
# clones in other folders (a CI run's clean clone) find what this one compiled. The test files
# use a precompiled header, which ccache serves only when told that no source depends on the
# time of compiling (none does) and that a header written a moment ago may be used. Depend mode:
# on a miss ccache takes the headers from the compiler's own dependency file (-MD, which Ninja
# asks for) instead of running the preprocessor once more, which made an empty cache's build a
# third slower than no cache. Inode cache: a file's hash is kept by its inode and times, so the
# precompiled header (170 MB with mingw-w64) is hashed once, not once a test file.
if command -v ccache >/dev/null 2>&1; then
    CCACHE_BASEDIR=$(cd "$(dirname "$0")/.." && pwd -P)
    CCACHE_NOHASHDIR=true
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
    CCACHE_DEPEND=true
    CCACHE_INODECACHE=true
    export CCACHE_BASEDIR CCACHE_NOHASHDIR CCACHE_SLOPPINESS CCACHE_DEPEND CCACHE_INODECACHE
    exec ccache "$@"
fi
exec "$@"
