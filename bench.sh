#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them (all, or those named).
#   ./bench.sh                  every bench/bench_*.cpp
#   ./bench.sh vfs script       bench_vfs and bench_script
set -euo pipefail
cd "$(dirname "$0")"
BUILD="${BENCH_BUILD:-build-bench}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHOWCASE_BENCH=ON -DSHOWCASE_TESTS=OFF >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in bench/bench_*.cpp; do n=$(basename "$f" .cpp); names+=("${n#bench_}"); done
fi
for n in "${names[@]}"; do
  cmake --build "$BUILD" --target "bench_$n"
  "$BUILD/bench/bench_$n" ${BENCH_ARGS:-}
done
