#!/usr/bin/env bash
# Builds the game and its data folder, then starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
cd build
exec ./grazerunner "$@"
