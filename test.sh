#!/usr/bin/env bash
# Installs what the build and the tests need (Debian, as root), then builds
# and runs every test twice: a plain build and an ASan+UBSan build.
#   ./test.sh              both builds
#   SKIP_SANITIZE=1 ./test.sh   the plain build only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
          libfltk1.3-dev libsdl2-dev libx11-dev xvfb xauth xdotool x11-apps
          imagemagick assimp-utils pcf2bdf xfonts-base
          g++-mingw-w64-x86-64-posix wine wine64)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "test.sh: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

JOBS="${JOBS:-$(nproc)}"
run_build() {
  local dir="$1"; shift
  cmake -S . -B "$dir" -G Ninja -DSHOWCASE_WERROR=ON "$@"
  cmake --build "$dir" -j "$JOBS"
  (cd "$dir" && ctest --output-on-failure -j "$JOBS")
}

run_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
tests/windows/run.sh build
if [ -z "${SKIP_SANITIZE:-}" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DSHOWCASE_SANITIZE=ON
fi
