#!/usr/bin/env bash
# Builds the release build with its benchmarks and runs them: the worst play
# frame (with and without presentation, against a memcpy of its bytes), the
# simulator's throughput, the start-up to the first title frame, and the peak
# memory of a whole headless game. Extra arguments go to the benchmark
# program (e.g. --benchmark_filter=PlayFrame).
#   GRAZE_BENCH_DIR=<dir>  build there instead of build/ (the default preset)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build="${GRAZE_BENCH_DIR:-build}"
if [ "$build" = build ]; then
  cmake --preset default >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRAZE_BENCH=ON >/dev/null
fi
cmake --build "$build" -j2 --target grazerunner_bench grazerunner-sim data
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
exec "$build/grazerunner_bench" --benchmark_counters_tabular=true "$@"
