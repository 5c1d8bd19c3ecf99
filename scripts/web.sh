#!/usr/bin/env bash
# The game in a browser (built with Debian's emscripten into build-web/).
#   scripts/web.sh build   writes the whole site into build-web/site/
#   scripts/web.sh         builds it and serves it on http://127.0.0.1:8000/
#                          until interrupted
#   scripts/web.sh test    builds the site and the test site, then runs the
#                          browser test in headless Chromium (tests/web/);
#                          GRAZE_WEB_SITE names another copy of the site to
#                          test (the release archive's, unpacked)
# Installs what it needs with apt-get: emscripten (and python3 to serve;
# chromium, node and npm for the test, with puppeteer-core from npm into
# build-web/browser-test/).
set -euo pipefail
cd "$(dirname "$0")/.."
action="${1:-serve}"
case "$action" in
  build|serve|test) ;;
  *) echo "usage: scripts/web.sh [build|serve|test]" >&2; exit 2 ;;
esac

# Installs the Debian packages given whose command is missing (package:command).
install() {
  local missing=()
  for pair in "$@"; do
    command -v "${pair#*:}" >/dev/null 2>&1 || missing+=("${pair%%:*}")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
  fi
}

# The data folder (and, for the test, the native benchmark to set the
# browser's figure against, and the simulator that records a replay for the
# page to watch and verifies the one the page recorded) come from the native
# build.
scripts/deps.sh
install emscripten:emcc
native_targets=(data)
[ "$action" = test ] && native_targets+=(grazerunner_bench grazerunner-sim)
cmake --preset default >/dev/null
cmake --build --preset default --target "${native_targets[@]}"

# emcc finds Debian's JavaScript packages (acorn) there. Its cache is frozen,
# so the build uses no emscripten ports. The toolchain looks for headers in
# its own system root only: stb_image (header only) is the machine's.
export NODE_PATH=/usr/share/nodejs
cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
  -DCMAKE_BUILD_TYPE=Release -DGRAZE_PLATFORM=web -DGRAZE_DATA_FROM="$PWD/build/data" \
  -DSTB_IMAGE_DIR=/usr/include/stb >/dev/null
cmake --build build-web -j2 --target site
echo "The site is in build-web/site/ ($(du -sb build-web/site | cut -f1) bytes)"

case "$action" in
  build) ;;
  serve)
    install python3:python3
    echo "Serving the game on http://127.0.0.1:8000/ (Ctrl+C ends)"
    exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build-web/site
    ;;
  test)
    install chromium:chromium nodejs:node npm:npm
    cmake --build build-web -j2 --target test-site
    mkdir -p build-web/browser-test
    cp tests/web/package.json tests/web/package-lock.json build-web/browser-test/
    (cd build-web/browser-test && npm ci --no-audit --no-fund --loglevel=error)
    NODE_PATH="$PWD/build-web/browser-test/node_modules" exec node tests/web/browser_test.js
    ;;
esac
