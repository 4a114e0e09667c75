#!/usr/bin/env bash
# The GUI suite run 5 times in a row in one build while two busy loops load
# both cores; fails on the first failing run.
#   tests/gui/soak.sh [BUILD] [RUNS]      (defaults: build, 5)
set -uo pipefail
BUILD="$(cd "${1:-build}" && pwd)"
RUNS="${2:-5}"
busy=()
cleanup() { for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done; }
trap cleanup EXIT
for _ in 1 2; do
  (while :; do :; done) &
  busy+=($!)
done
for run in $(seq "$RUNS"); do
  if (cd "$BUILD/tests/gui" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ./test_gui --gtest_brief=1 >"$BUILD/soak-$run.log" 2>&1); then
    echo "run $run: passed"
  else
    echo "run $run: FAILED (see $BUILD/soak-$run.log)"
    exit 1
  fi
done
echo "all $RUNS runs passed under load"
