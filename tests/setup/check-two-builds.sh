#!/bin/sh
# check-two-builds.sh SOURCE TOOLCHAIN BUILD_TYPE CABINET PROGRAM BESIDE [LAUNCHER]
# Builds the installer a second time, from the same sources in a new build tree in the folder
# BESIDE (that of this build's tree), and compares its cabinet and the program with those of this
# build: both must be the same bytes. The compiler LAUNCHER of this build (ccache) serves the
# second one too: the objects are those the compiler made of the same sources; the resources, the
# cabinet and the links are made anew.
set -u
source=$1 toolchain=$2 type=$3 cabinet=$4 program=$5 beside=$6 launcher=${7:-}
tree=$(mktemp -d "$beside/second-build.XXXXXX")
trap 'rm -rf "$tree"' EXIT
cmake -S "$source" -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE="$type" ${launcher:+"-DCMAKE_C_COMPILER_LAUNCHER=$launcher"} \
      ${launcher:+"-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher"} >/dev/null ||
    { echo "FAIL: configure"; exit 1; }
cmake --build "$tree" --target setup -j "${VEMO_JOBS:-2}" >"$tree/build.log" 2>&1 ||
    { tail -20 "$tree/build.log"; echo "FAIL: build"; exit 1; }
status=0
cmp "$tree/setup/setup-payload/NPVemoC.cab" "$cabinet" || { echo "FAIL: cabinets differ"; status=1; }
cmp "$tree/setup/setup.exe" "$program" || { echo "FAIL: programs differ"; status=1; }
[ $status -eq 0 ] && echo "second build: same cabinet ($(sha256sum <"$cabinet" | cut -c1-16)...) and program"
exit $status
