#!/usr/bin/env bash
# The release archives, written into dist/ and named with the version of the
# CMake project (project(... VERSION ...)):
#   grazerunner-VERSION-linux-ARCH.tar.gz  the game to unpack anywhere and run
#   grazerunner_VERSION_ARCH.deb           the Debian package
#   grazerunner-VERSION-web.zip            the site for any static host
#   grazerunner-VERSION-windows-x86_64.zip the Windows program with its data
#
#   scripts/release.sh        builds the game (the default preset, build/) and
#                             writes every archive
#   scripts/release.sh test   smoke-tests every archive in dist/: unpacked into
#                             a scratch folder and started from another, empty
#                             working folder under Xvfb, the game must open its
#                             window and draw the title picture, reach play with
#                             Enter, Z, Z, and end with 0 on Escape; the site
#                             unpacked is the one the browser test plays; the
#                             Windows program unpacked is the one the Windows
#                             smoke test plays under Wine
#
# GRAZE_KEEP_SCRATCH=1 keeps the scratch folders with the screenshots, as a
# failure does.
#
# One pair of functions per archive: make_NAME writes it, test_NAME tries it;
# ARCHIVES lists them.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
dist="$root/dist"
build="$root/build"
ARCHIVES=(linux debian web windows)

# A failure keeps the scratch folders (screenshots, the game's messages).
keep=0
fail() {
  keep=1
  echo "release: $*" >&2
  exit 1
}

# The project's version, as the build was configured with it.
version() {
  local v
  v="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
  [ -n "$v" ] || fail "no project version in $build/CMakeCache.txt"
  echo "$v"
}

# The one archive of dist/ that matches PATTERN (a glob).
archive() {
  local matches
  # shellcheck disable=SC2206  # the pattern is meant to be expanded here
  matches=( $1 )
  [ -e "${matches[0]}" ] || fail "no $1: run scripts/release.sh first"
  [ ${#matches[@]} -eq 1 ] || fail "more than one $1"
  echo "${matches[0]}"
}

# The game, its data folder and its icon, then the CPack generator GEN run
# on the install tree; its one package goes to dist/.
cpack_into_dist() {
  local generator="$1"
  cmake --build --preset default --target grazerunner data icon
  local out="$build/packages/$generator"
  rm -rf "$out"
  mkdir -p "$out"
  cpack --config "$build/CPackConfig.cmake" -G "$generator" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; fail "cpack -G $generator failed"; }
  find "$out" -maxdepth 1 -type f \( -name '*.tar.gz' -o -name '*.deb' \) -exec mv {} "$dist/" \;
}

# ---- The Linux archive ------------------------------------------------------------

make_linux() {
  rm -f "$dist"/grazerunner-*-linux-*.tar.gz
  cpack_into_dist TGZ
}

test_linux() {
  local tarball top
  tarball="$(archive "$dist/grazerunner-$(version)-linux-*.tar.gz")"
  new_scratch
  mkdir "$scratch/unpacked"
  tar -xzf "$tarball" -C "$scratch/unpacked"
  top="$(find "$scratch/unpacked" -mindepth 1 -maxdepth 1)"
  [ "$(echo "$top" | wc -l)" -eq 1 ] || fail "$tarball: more than one folder at the top"
  check_tree "$top"
  smoke "$(basename "$tarball")" "$top/bin/grazerunner" "$top/lib/grazerunner" "$scratch"
}

# ---- The Debian package -------------------------------------------------------------

make_debian() {
  rm -f "$dist"/grazerunner_*.deb
  cpack_into_dist DEB
}

test_debian() {
  local deb
  deb="$(archive "$dist/grazerunner_$(version)_*.deb")"
  dpkg-deb -f "$deb" Depends | grep -q 'libsdl2-2\.0-0' || fail "$deb does not depend on libsdl2-2.0-0"
  [ "$(dpkg-deb -f "$deb" Version)" = "$(version)" ] || fail "$deb: version is not $(version)"
  new_scratch
  dpkg -x "$deb" "$scratch/root"
  check_tree "$scratch/root/usr"
  smoke "$(basename "$deb")" "$scratch/root/usr/bin/grazerunner" "$scratch/root/usr/lib/grazerunner" "$scratch"
}

# ---- The site -------------------------------------------------------------------

make_web() {
  rm -f "$dist"/grazerunner-*-web.zip
  scripts/web.sh build
  local stage="$build/packages/web" name
  name="grazerunner-$(version)-web"
  rm -rf "$stage"
  mkdir -p "$stage"
  cp -r "$root/build-web/site" "$stage/$name"
  (cd "$stage" && cmake -E tar cf "$dist/$name.zip" --format=zip "$name")
}

# The browser test (scripts/web.sh test) with the unpacked site in place of
# the one it builds.
test_web() {
  local zip
  zip="$(archive "$dist/grazerunner-$(version)-web.zip")"
  new_scratch
  (cd "$scratch" && cmake -E tar xf "$zip")
  [ -f "$scratch/grazerunner-$(version)-web/index.html" ] || fail "$zip: no index.html in its folder"
  GRAZE_WEB_SITE="$scratch/grazerunner-$(version)-web" scripts/web.sh test || fail "$zip: the browser test failed"
}

# ---- The Windows program ------------------------------------------------------------

make_windows() {
  rm -f "$dist"/grazerunner-*-windows-*.zip
  scripts/windows.sh build
  local stage="$build/packages/windows" name
  name="grazerunner-$(version)-windows-x86_64"
  rm -rf "$stage"
  mkdir -p "$stage/$name"
  cp "$root/build-windows/grazerunner.exe" "$root/README.md" "$stage/$name/"
  cp -r "$root/build-windows/data" "$stage/$name/"
  (cd "$stage" && cmake -E tar cf "$dist/$name.zip" --format=zip "$name")
}

# The Windows smoke test (scripts/windows.sh smoke) with the unpacked program
# in place of the one it builds.
test_windows() {
  local zip top
  zip="$(archive "$dist/grazerunner-$(version)-windows-*.zip")"
  new_scratch
  (cd "$scratch" && cmake -E tar xf "$zip")
  top="$scratch/grazerunner-$(version)-windows-x86_64"
  for file in grazerunner.exe README.md data/stageno.txt data/start.bmp data/music.wav; do
    [ -e "$top/$file" ] || fail "$zip: no $file"
  done
  GRAZE_WINDOWS_GAME="$top" scripts/windows.sh smoke || fail "$zip: the Windows smoke test failed"
}

# ---- What every installed tree holds ------------------------------------------------

# PREFIX is an installed tree: the program beside its data, the link that
# starts it, the desktop entry, the icon (32 × 32 PNG) and the README.
check_tree() {
  local prefix="$1" file
  for file in bin/grazerunner lib/grazerunner/grazerunner lib/grazerunner/data/stageno.txt \
              lib/grazerunner/data/bshp.dat lib/grazerunner/data/start.bmp \
              lib/grazerunner/data/music.wav share/applications/grazerunner.desktop \
              share/icons/hicolor/32x32/apps/grazerunner.png share/doc/grazerunner/README.md; do
    [ -e "$prefix/$file" ] || fail "$prefix: no $file"
  done
  desktop-file-validate "$prefix/share/applications/grazerunner.desktop" ||
    fail "$prefix: the desktop entry is not valid"
  [ "$(identify -format '%m %w×%h' "$prefix/share/icons/hicolor/32x32/apps/grazerunner.png")" = "PNG 32×32" ] ||
    fail "$prefix: the icon is not a 32 × 32 PNG"
}

# ---- The smoke test ---------------------------------------------------------------

scratches=()
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ ${#scratches[@]} -eq 0 ] && return
  if [ "$keep" -eq 0 ] && [ -z "${GRAZE_KEEP_SCRATCH:-}" ]; then
    rm -rf "${scratches[@]}"
  else
    echo "release: kept ${scratches[*]}" >&2
  fi
}
trap cleanup EXIT

# A new scratch folder in $scratch, removed at the end.
new_scratch() {
  scratch="$(mktemp -d "${TMPDIR:-/tmp}/grazerunner-release.XXXXXX")"
  scratches+=("$scratch")
}

# A screenshot of the whole screen into FILE.
shoot() { import -display "$DISPLAY" -window root "$1"; }
colours() { identify -format '%k' "$1"; }
# A hash of the pixels alone.
pixels() { identify -format '%#' "$1"; }

# Holds a key for many frames (the game reads the keys' state once a frame,
# and a busy machine may run few of them), then lets it go.
press() {
  xdotool keydown "$1"
  sleep 0.5
  xdotool keyup "$1"
  sleep 0.7
}

# Waits up to SECONDS for process PID to end; its exit status, or fails.
wait_for_end() {
  local pid="$1" seconds="$2" i
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && return 124
  local status=0
  wait "$pid" || status=$?
  return "$status"
}

# smoke NAME PROGRAM PROGRAM_FOLDER SCRATCH: the game started as a person
# would, from an empty working folder of its own, on a screen of Xvfb.
smoke() {
  local name="$1" program="$2" folder="$3" scratch="$4"
  local work="$scratch/work" shots="$scratch/shots" home="$scratch/home"
  mkdir -p "$work" "$shots" "$home"
  echo "--- $name: from $work"

  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
  local xvfb=$!
  pids+=("$xvfb")
  local i
  for ((i = 0; i < 100; i++)); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
  done
  [ -s "$scratch/display" ] || { cat "$scratch/xvfb.log" >&2; fail "$name: Xvfb did not start"; }
  DISPLAY=":$(head -1 "$scratch/display")"
  export DISPLAY

  # No sound card here; the player's data folder is a scratch one.
  (cd "$work" && HOME="$home" XDG_DATA_HOME="$home/share" SDL_AUDIODRIVER=dummy \
     exec "$program") >"$scratch/stdout" 2>"$scratch/stderr" &
  local game=$!
  pids+=("$game")

  local window
  window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Graze Runner: Zero Gravity$' | head -1)" ||
    fail "$name: no window within 20 s"
  xdotool windowfocus "$window" 2>/dev/null || true

  # The title picture: wait until it is drawn, then it must have more than a
  # handful of colours.
  local n=0
  for ((i = 0; i < 40; i++)); do
    sleep 0.5
    shoot "$shots/title.png"
    n="$(colours "$shots/title.png")"
    [ "$n" -gt 16 ] && break
  done
  [ "$n" -gt 16 ] || fail "$name: the title shows $n colours (see $shots/title.png)"
  echo "window and title picture ($n colours)"

  # Enter, Z, Z: the mode select, the character select, play. Each is a new
  # picture; play moves by itself (where the results would stand still).
  local before="$shots/title.png" key shot
  for key in Return z z; do
    press "$key"
    shot="$shots/after-$key-$((++i)).png"
    shoot "$shot"
    [ "$(pixels "$shot")" != "$(pixels "$before")" ] || fail "$name: $key changed nothing (see $shot)"
    before="$shot"
  done
  sleep 0.5
  shoot "$shots/play.png"
  [ "$(pixels "$shots/play.png")" != "$(pixels "$before")" ] ||
    fail "$name: the screen stands still after Enter, Z, Z (see $shots/play.png)"
  grep -q "cannot open" "$scratch/stderr" && { cat "$scratch/stderr" >&2; fail "$name: a data file is missing"; }
  grep -qF "stage data comes from $(realpath "$folder")/data/" "$scratch/stderr" ||
    { cat "$scratch/stderr" >&2; fail "$name: the stage data did not come from $folder/data/"; }
  echo "play reached with the stages of $folder/data/"

  press Escape
  local status=0
  wait_for_end "$game" 10 || status=$?
  [ "$status" -ne 124 ] || fail "$name: still running 10 s after Escape"
  [ "$status" -eq 0 ] || { cat "$scratch/stderr" >&2; fail "$name: ended with $status after Escape"; }
  [ -z "$(ls -A "$work")" ] || fail "$name: wrote into the working folder: $(ls -A "$work")"
  echo "Escape ended it with 0"

  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}

# ---- Commands -----------------------------------------------------------------------

case "${1:-}" in
  "")
    scripts/deps.sh
    cmake --preset default >/dev/null
    mkdir -p "$dist"
    for a in "${ARCHIVES[@]}"; do
      echo "=== release: $a ==="
      "make_$a"
    done
    echo "dist/ (version $(version)):"
    ls -l "$dist"
    ;;
  test)
    scripts/deps.sh
    cmake --preset default >/dev/null
    for a in "${ARCHIVES[@]}"; do
      echo "=== release test: $a ==="
      "test_$a"
    done
    echo "release: ${#ARCHIVES[@]} archives passed their smoke tests"
    ;;
  *)
    echo "usage: scripts/release.sh [test]" >&2
    exit 2
    ;;
esac
