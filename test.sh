#!/usr/bin/env bash
# Installs what the build and the tests need (Debian, as root), then builds
# and runs every test twice: a plain build and an ASan+UBSan build.
#   ./test.sh              both builds
#   SKIP_SANITIZE=1 ./test.sh   the plain build only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libstb-dev
          libfltk1.3-dev libsdl2-dev libx11-dev xvfb xauth xdotool x11-apps
          imagemagick assimp-utils pcf2bdf xfonts-base libtinygltf-dev
          g++-mingw-w64-x86-64-posix wine wine64)

. tools/need_packages.sh
need_packages test.sh "${PACKAGES[@]}"
# Node.js may come from elsewhere with its own npm, which Debian's npm package
# would conflict with: ask for them only when the commands are missing.
command -v node >/dev/null && command -v npm >/dev/null || need_packages test.sh nodejs npm

# The Khronos glTF validator for the export tests, under the build tree.
if [ ! -d build/node/node_modules/gltf-validator ]; then
  npm install --prefix build/node --no-audit --no-fund gltf-validator@2.0.0-dev.3.10
fi
export NODE_PATH="$PWD/build/node/node_modules"

JOBS="${JOBS:-$(nproc)}"
# The tests leave the temporary folder as they found it: no palettes
# (SHW*.TMP) and no test folders (showcase-test-*) that were not there before.
temp="${TMPDIR:-/tmp}"
leftovers() { find "$temp" -maxdepth 1 \( -name 'SHW*.TMP' -o -name 'showcase-test-*' \) -print 2>/dev/null | sort || true; }
temp_before="$(leftovers)"
check_temp() {
  local left
  left="$(comm -13 <(echo "$temp_before") <(leftovers))"
  if [ -n "$left" ]; then
    echo "test.sh: the tests of $1 left in $temp:" >&2
    echo "$left" >&2
    exit 1
  fi
}
run_build() {
  local dir="$1"; shift
  cmake -S . -B "$dir" -G Ninja -DSHOWCASE_WERROR=ON "$@"
  cmake --build "$dir" -j "$JOBS"
  (cd "$dir" && ctest --output-on-failure -j "$JOBS")
  check_temp "$dir"
}

run_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
tests/windows/run.sh build
if [ -z "${SKIP_SANITIZE:-}" ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DSHOWCASE_SANITIZE=ON
fi
