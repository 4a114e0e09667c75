#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60) on a scratch copy of its seed corpus.
#   ./fuzz.sh            every target
#   ./fuzz.sh script     one target
set -euo pipefail
cd "$(dirname "$0")"
SECONDS_EACH="${FUZZ_SECONDS:-60}"
BUILD="${FUZZ_BUILD:-build-fuzz}"
# Absolute: some targets run with a scratch folder as the current directory,
# which is where a relative artifact or corpus path would lead.
case "$BUILD" in /*) ;; *) BUILD="$PWD/$BUILD" ;; esac
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DSHOWCASE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do n=$(basename "$f" .cpp); targets+=("${n#fuzz_}"); done
fi
status=0
for t in "${targets[@]}"; do
  cmake --build "$BUILD" --target "fuzz_$t"
  work="$BUILD/corpus-$t"
  rm -rf "$work"; mkdir -p "$work"
  cp -r "tests/fuzz/corpus/$t/." "$work/" 2>/dev/null || true
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  if ! "$BUILD/tests/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=10 \
       -artifact_prefix="$BUILD/crash-$t-" "$work"; then
    echo "fuzz_$t: FINDING (see $BUILD/crash-$t-*)"; status=1
  fi
done
exit $status
