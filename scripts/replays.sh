#!/usr/bin/env bash
# The replay corpus (tests/replays/) and replays on every platform.
#
#   scripts/replays.sh record            plays every tests/replays/sources/*.sim
#                                        with the simulator and keeps each game's
#                                        replay as tests/replays/NAME.grr; says
#                                        which replays moved (their result or
#                                        their checkpoints), which kept their play
#                                        (their input may differ) and which are new
#   scripts/replays.sh verify [FILE...]  verifies replays natively (default: the
#                                        corpus)
#   scripts/replays.sh verify-everywhere FILE...
#                                        verifies the replays given with the native
#                                        simulator, the Windows one under Wine and
#                                        the WebAssembly one under node; fails if
#                                        any build does not verify any of them
#   scripts/replays.sh matrix [N]        records N games of random inputs (2000 by
#                                        default) with each of the three builds and
#                                        verifies every set with every build: the
#                                        table of counts (build/matrix/)
#
# The native simulator is build/grazerunner-sim (the default preset), the
# Windows one build-windows/grazerunner-sim.exe (scripts/windows.sh build),
# the WebAssembly one build-web/grazerunner-sim.js (the web build's target
# grazerunner-sim, for node; configured as scripts/web.sh does when
# build-web/ is not there yet).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-}
[ $# -gt 0 ] && shift

# Recorded dates are local times: the same everywhere.
export TZ=UTC

native=$root/build/grazerunner-sim
windows=$root/build-windows/grazerunner-sim.exe
wasm=$root/build-web/grazerunner-sim.js
wine=/usr/lib/wine/wine64

build_native() {
  scripts/deps.sh
  cmake --preset default >/dev/null
  cmake --build --preset default --target grazerunner-sim data >/dev/null
}

build_windows() {
  scripts/windows.sh build >/dev/null
}

build_wasm() {
  scripts/deps.sh emscripten nodejs
  build_native
  export NODE_PATH=/usr/share/nodejs
  if [ ! -f build-web/CMakeCache.txt ]; then
    cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
      -DCMAKE_BUILD_TYPE=Release -DGRAZE_PLATFORM=web -DGRAZE_DATA_FROM="$root/build/data" \
      -DSTB_IMAGE_DIR=/usr/include/stb >/dev/null
  fi
  cmake --build build-web -j2 --target grazerunner-sim >/dev/null
}

# One Wine server for the runs of this script, stopped at its end.
start_wine() {
  export WINEPREFIX=$root/build-windows/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
  fi
  /usr/lib/wine/wineserver -p || true  # one may be running already
  # Wine's own services start with the first program and outlive it: started
  # here, they hold no pipe of a later $(...) open, which would never end.
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
}

# sim BUILD ARGS...: the simulator of one build.
sim() {
  local build=$1
  shift
  case "$build" in
    native) "$native" "$@" ;;
    windows) "$wine" "$windows" "$@" | tr -d '\r' ;;
    wasm) node "$wasm" "$@" ;;
  esac
}

case "$what" in
record)
  build_native
  scratch=$root/build/replays-record
  rm -rf "$scratch"
  moved=0 new=0 kept=0 sources=(tests/replays/sources/*.sim)
  for source in "${sources[@]}"; do
    name=$(basename "$source" .sim)
    mkdir -p "$scratch/$name"
    ln -s "$root/build/data" "$scratch/$name/data"
    if ! (cd "$scratch/$name" && "$native" "$root/$source" >"$scratch/$name.log" 2>&1); then
      echo "FAILED $source: $(grep -v '^grazerunner: ' "$scratch/$name.log" | tail -3)" >&2
      exit 1
    fi
    made=("$scratch/$name"/replays/*.grr)
    if [ ${#made[@]} != 1 ] || [ ! -f "${made[0]}" ]; then
      echo "FAILED $source: it left ${#made[@]} replays, not one" >&2
      exit 1
    fi
    target=tests/replays/$name.grr
    if [ ! -f "$target" ]; then
      echo "new       $target: $(sim native verify "${made[0]}" | sed 's/^[^:]*: //')"
      new=$((new + 1))
    elif said=$("$native" compare "$target" "${made[0]}"); then
      echo "same      $target: ${said#*: }"
      kept=$((kept + 1))
    else
      echo "MOVED     $target: ${said#*: moved: }"
      moved=$((moved + 1))
    fi
    cp "${made[0]}" "$target"
  done
  for file in tests/replays/*.grr; do
    [ -f "tests/replays/sources/$(basename "$file" .grr).sim" ] || echo "no source for $file (left as it is)"
  done
  echo "${#sources[@]} replays recorded: $moved moved, $kept the same, $new new"
  ;;

verify)
  build_native
  [ $# -gt 0 ] || set -- tests/replays/*.grr
  "$native" verify "$@"
  ;;

verify-everywhere)
  [ $# -gt 0 ] || { echo "usage: scripts/replays.sh verify-everywhere FILE..." >&2; exit 2; }
  build_native
  build_windows
  build_wasm
  start_wine
  failed=0
  for build in native windows wasm; do
    if out=$(sim $build verify "$@" 2>&1); then
      echo "ok     $build: $(grep -c ' ok$' <<<"$out") verified"
    else
      echo "FAILED $build:"
      grep -v ' ok$' <<<"$out" | sed 's/^/  /'
      failed=1
    fi
  done
  exit $failed
  ;;

matrix)
  n=${1:-2000}
  build_native
  build_windows
  build_wasm
  start_wine
  out=$root/build/matrix
  rm -rf "$out"
  mkdir -p "$out"
  builds=(native windows wasm)
  seed=1
  for build in "${builds[@]}"; do
    start=$(date +%s)
    if ! sim $build random "$n" "$seed" "$out/$build" "$root/build" >"$out/$build-record.txt" 2>"$out/$build-record.log"; then
      echo "FAILED recording on $build:" >&2
      grep -v '^grazerunner: no ' "$out/$build-record.log" >&2
      exit 1
    fi
    cat "$out/$build-record.txt"
    echo "recorded on $build in $(($(date +%s) - start)) s"
    seed=$((seed + 1))
  done
  declare -A cell
  for set in "${builds[@]}"; do
    for build in "${builds[@]}"; do
      start=$(date +%s)
      sim $build verify "$out/$set" >"$out/$set-on-$build.txt" 2>&1 || true
      ok=$(grep -c ' ok$' "$out/$set-on-$build.txt" || true)
      cell[$set,$build]="$ok ok, $((n - ok)) failed"
      echo "recorded on $set, verified on $build: $ok of $n ok ($(($(date +%s) - start)) s)"
      grep -v ' ok$' "$out/$set-on-$build.txt" | sed 's/^/  /' || true
    done
  done
  {
    echo "| recorded on, verified on | native | windows | wasm |"
    echo "|---|---|---|---|"
    for set in "${builds[@]}"; do
      echo "| $set | ${cell[$set,native]} | ${cell[$set,windows]} | ${cell[$set,wasm]} |"
    done
  } | tee "$out/matrix.md"
  ! grep -q '[1-9][0-9]* failed' "$out/matrix.md"
  ;;

*)
  echo "usage: scripts/replays.sh record | verify [FILE...] | verify-everywhere FILE... | matrix [N]" >&2
  exit 2
  ;;
esac
