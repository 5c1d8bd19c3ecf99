#!/usr/bin/env bash
# The long soak: the game played in-process for an hour of game time
# (GRAZE_SOAK_SECONDS, 3600 unless set) under AddressSanitizer and
# UndefinedBehaviorSanitizer, with the asan preset's build.
#   GRAZE_SOAK_DIR=<dir>  build there instead of build-asan/ (the asan preset)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build="${GRAZE_SOAK_DIR:-build-asan}"
if [ "$build" = build-asan ]; then
  cmake --preset asan >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DGRAZE_SANITIZE=ON -DGRAZE_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j2 --target grazerunner_tests data
export GRAZE_SOAK_SECONDS="${GRAZE_SOAK_SECONDS:-3600}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
echo "Soak: ${GRAZE_SOAK_SECONDS} s of game time in $build"
cd "$build/tests"
exec ./grazerunner_tests --gtest_filter='SoakTest.*'
