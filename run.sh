#!/usr/bin/env bash
# Sets up, builds the viewer and starts it on a game folder.
#   ./run.sh [viewer arguments...]     e.g. ./run.sh -N
#   BUILD=dir ./run.sh                 build folder (default: build)
#   SHOWCASE_RUN_NO_BUILD=1 ./run.sh   use the build folder as it is
# The game is the demo game (grib demo) in <build>/game, rebuilt when it is
# missing or older than its sources; else the small game of the GUI tests.
set -euo pipefail
cd "$(dirname "$0")"
root="$(pwd)"
build="${BUILD:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

if [ -z "${SHOWCASE_RUN_NO_BUILD:-}" ]; then
  packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libpng-dev libtinygltf-dev libfltk1.3-dev libsdl2-dev
            libx11-dev xfonts-base pcf2bdf)
  . tools/need_packages.sh
  need_packages run.sh "${packages[@]}"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target showcase grib showcase_testgame
fi

game="$build/game"
stamp="$game/.built"
if [ ! -f "$stamp" ] || [ -n "$(find demo "$build/tools/grib/grib" -newer "$stamp" -print -quit)" ]; then
  rm -rf "$game"
  if "$build/tools/grib/grib" demo "$game" >/dev/null; then
    touch "$stamp"
    echo "run.sh: built the demo game in $game"
  else
    rm -rf "$game"
    "$build/tests/gui/showcase_testgame" "$game"
    echo "run.sh: the demo game could not be built; using the test game in $game"
  fi
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no DISPLAY; start it under X (or: xvfb-run -a ./run.sh)" >&2
fi
cd "$game"
exec "$build/app/window/showcase" "$@"
