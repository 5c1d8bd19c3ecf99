#!/usr/bin/env bash
# Builds everything and runs every test: once in the release build, once
# under AddressSanitizer and UndefinedBehaviorSanitizer; then the Windows
# programs under Wine (the test suite, the scenarios and a smoke test of the
# game); then every fuzzer for FUZZ_SECONDS (30 by default).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
for preset in default asan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== windows ==="
scripts/windows.sh test
scripts/windows.sh smoke
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
