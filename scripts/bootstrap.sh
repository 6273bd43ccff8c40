#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing. Quick when all is there.
#   scripts/bootstrap.sh         what the builds and tests need
#   scripts/bootstrap.sh bench   that, and the benchmarks' peers and drawings (AGG, clip art, node)
set -euo pipefail

packages=(
    cmake ninja-build g++ git ccache
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine64 wine xvfb x11-apps x11-utils imagemagick pngquant
    gcab cabextract
    googletest
    clang libclang-rt-14-dev lld
    libcairo2-dev
    libpng-dev
    librsvg2-bin openclipart-svg python3-numpy python3-pil python3-skimage
    pkg-config libpugixml-dev libpolyclipping-dev libfreetype-dev libharfbuzz-dev libfontconfig-dev
    libturbojpeg0-dev
    fonts-dejavu-core fonts-liberation2
)
if [ "${1:-}" = bench ]; then
    packages+=(libagg-dev openclipart-svg pkg-config)
    # node and npm from Debian, unless a node with its npm is there already
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
        packages+=(nodejs npm)
    fi
fi

# npm fetches the fidelity corpus's packages (scripts/corpus.sh); a node.js that brings its own
# npm is kept.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
