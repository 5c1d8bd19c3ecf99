#!/usr/bin/env bash
# Builds everything and runs every test: once in the release build, once
# under AddressSanitizer and UndefinedBehaviorSanitizer; then the score
# board against SQLite and a PostgreSQL of its own; then the Windows
# programs under Wine (the test suite and the scenarios); then the release
# archives are made and smoke-tested (the Linux ones under Xvfb, the site by
# the browser test in headless Chromium, the Windows program under Wine);
# then every fuzzer runs for FUZZ_SECONDS (30 by default).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
for preset in default asan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== the score board (SQLite and PostgreSQL) ==="
scripts/board.sh test
echo "=== windows ==="
scripts/windows.sh test
scripts/release.sh
scripts/release.sh test
scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
