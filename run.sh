#!/usr/bin/env bash
# Sets up, builds, and (once the viewer exists) starts it on a game folder.
set -euo pipefail
cd "$(dirname "$0")"
if ! command -v cmake >/dev/null || ! dpkg-query -W libgtest-dev >/dev/null 2>&1; then
  echo "run.sh: installing build tools (needs root)"; sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update && $sudo apt-get install -y --no-install-recommends cmake ninja-build g++ libgtest-dev libpng-dev
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
echo "run.sh: built build/tools/grib/grib."
echo "run.sh: the viewer 'showcase' is not built yet; it will be started here on the demo game."
