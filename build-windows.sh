#!/usr/bin/env bash
# Cross-builds showcase.exe and grib.exe (and the unit tests) for 64-bit
# Windows with mingw-w64, after installing what that needs (Debian, as root).
#   ./build-windows.sh              build into build-windows/
#   ./build-windows.sh package      also make the zip (build-windows/*.zip)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix libstb-dev libgtest-dev)
. tools/need_packages.sh
need_packages build-windows.sh "${PACKAGES[@]}"

package=0
if [ "${1:-}" = package ]; then package=1; shift; fi
DIR="${BUILD_DIR:-build-windows}"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DSHOWCASE_WERROR=ON "${launcher[@]}" "$@"
cmake --build "$DIR" -j "${JOBS:-$(nproc)}"
if [ "$package" = 1 ]; then
  # The zip's demo game is built by grib.exe under Wine, in a prefix of the
  # build's own rather than the user's ~/.wine.
  export WINEPREFIX="${WINEPREFIX:-$(cd "$DIR" && pwd)/wine}" WINEDEBUG="${WINEDEBUG:--all}"
  cmake --build "$DIR" --target package
fi
