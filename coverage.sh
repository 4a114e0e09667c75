#!/usr/bin/env bash
# Line and branch coverage of the tree's code (tests/ and bench/ left out) by
# every ctest test, from a gcc --coverage build in build-cov/.
#   ./coverage.sh                      build, run all tests, print the totals
#   ./coverage.sh grib/tdf app         also the totals of these folders
#   NO_RUN=1 ./coverage.sh grib/vfs    report again from the last run's counts
# build-cov/coverage.html holds the per-file report.
set -euo pipefail
cd "$(dirname "$0")"
BUILD="${COVERAGE_BUILD:-build-cov}"
JOBS="${JOBS:-$(nproc)}"
status=0
if [ -z "${NO_RUN:-}" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSHOWCASE_COVERAGE=ON \
        -DSHOWCASE_WERROR=ON "${launcher[@]}" >/dev/null
  cmake --build "$BUILD" -j "$JOBS"
  find "$BUILD" -name '*.gcda' -delete
  (cd "$BUILD" && ctest -j "$JOBS" --output-on-failure) || status=$?
  # Branches that only throw (operator new, the library's exceptions) are not the code's own.
  gcovr -r . "$BUILD" --exclude 'tests/' --exclude 'bench/' --exclude-throw-branches \
        -j "$JOBS" --json "$BUILD/coverage.json" --html-details "$BUILD/coverage.html"
fi
summary() {
  gcovr -r . --add-tracefile "$BUILD/coverage.json" "$@" --print-summary -o "$BUILD/summary.txt" |
    sed -n 's/^\(lines\|branches\): *\([0-9.]*%\).*(\(.*\))/\1 \2 (\3)/p' | paste -sd' '
}
echo "total: $(summary)"
for dir in "$@"; do
  echo "${dir%/}/: $(summary --filter "${dir%/}/")"
done
exit "$status"
