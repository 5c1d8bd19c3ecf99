#!/usr/bin/env bash
# The release archives, written into dist/ and named with the version of the
# CMake project (project(... VERSION ...)):
#   grazerunner-VERSION-linux-ARCH.tar.gz  the game to unpack anywhere and run
#   grazerunner_VERSION_ARCH.deb           the Debian package
#   grazerunner-VERSION-web.zip            the site for any static host
#   grazerunner-VERSION-windows-x86_64.zip the Windows program with its data
#   screenshots/VERSION/*.png              the pictures the AppStream metainfo
#                                          names, for the project's site
#
#   scripts/release.sh [NAME...]      builds the game (the default preset,
#                                     build/) and writes every archive, or
#                                     those named (linux debian web windows
#                                     screenshots)
#   scripts/release.sh test [NAME...] tests every archive in dist/, or those
#                                     named: unpacked into a scratch folder
#                                     and started from another, empty working
#                                     folder under Xvfb, the game must open
#                                     its window and draw the title picture,
#                                     reach play with Enter, Z, Z, and end
#                                     with 0 on Escape; the Linux trees'
#                                     desktop entry, metainfo, file type,
#                                     manual pages and tools are checked, and
#                                     the Debian package by lintian; the site
#                                     unpacked is the one the browser test
#                                     plays; the Windows program unpacked is
#                                     the one the Windows smoke test plays
#                                     under Wine
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
ARCHIVES=(linux debian web windows screenshots)

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

# The programs, the data folder, the icons, the manual pages and the other
# files of packaging/, then the CPack generator GEN run on the install tree;
# its one package goes to dist/.
cpack_into_dist() {
  local generator="$1"
  cmake --build --preset default --target grazerunner grazerunner-sim grazerunner-stagec grazerunner-board data icon \
    packaging_files
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
  # `cmake --install` to a prefix of its own makes the same tree.
  cmake --install "$build" --prefix "$scratch/prefix" >/dev/null || fail "cmake --install failed"
  diff <(cd "$top" && find . | sort) <(cd "$scratch/prefix" && find . | sort) ||
    fail "cmake --install does not make the tree of $tarball (< the archive, > the install)"
  echo "cmake --install makes the same tree"
  smoke "$(basename "$tarball")" "$top/games/grazerunner" "$top/lib/games/grazerunner" "$scratch"
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
  # lintian, as a distribution would run it: an error or a warning fails
  # (a tag the package overrides is listed by --show-overrides with its
  # reason); the informational tags are shown.
  local status=0
  lintian --fail-on error,warning --display-info --show-overrides "$deb" >"$scratch/lintian.log" 2>&1 || status=$?
  grep -v '^running with root privileges' "$scratch/lintian.log" || true
  [ "$status" -eq 0 ] && ! grep -q '^[EW]: ' "$scratch/lintian.log" ||
    fail "$deb: lintian reports an error or a warning (see above)"
  echo "lintian: no error, no warning"
  dpkg -x "$deb" "$scratch/root"
  [ "$(zcat "$scratch/root/usr/share/doc/grazerunner/changelog.gz" | head -1)" = \
    "grazerunner ($(version)) unstable; urgency=medium" ] || fail "$deb: the changelog does not start with $(version)"
  check_tree "$scratch/root/usr"
  smoke "$(basename "$deb")" "$scratch/root/usr/games/grazerunner" "$scratch/root/usr/lib/games/grazerunner" "$scratch"
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
  mkdir -p "$build/smoke-replays"
  cp "$root/build-web/browser-test/recorded-in-browser.grr" "$build/smoke-replays/browser.grr"
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

# ---- The screenshots ------------------------------------------------------------

# The pictures that the AppStream metainfo names (its <image> addresses end
# in screenshots/VERSION/NAME.png on the project's site), played by the
# simulator from packaging/screenshots.sim and enlarged four times, pixel for
# pixel, to the size the metainfo gives. They go to dist/screenshots/VERSION/,
# to be put on the site as they are.
make_screenshots() {
  local out="$dist/screenshots/$(version)" name
  cmake --build --preset default --target grazerunner-sim data packaging_files
  rm -rf "$dist/screenshots"
  mkdir -p "$out"
  new_scratch
  ln -s "$build/data" "$scratch/data"
  { echo "root $scratch"; cat packaging/screenshots.sim; } | "$build/grazerunner-sim" - >/dev/null ||
    fail "packaging/screenshots.sim failed"
  for name in title play; do
    [ -f "$scratch/$name.png" ] || fail "packaging/screenshots.sim wrote no $name.png"
    convert "$scratch/$name.png" -scale 400% -define png:exclude-chunks=date,time "$out/$name.png"
  done
}

# Every screenshot of the metainfo has its picture in dist/screenshots/, of
# the size the metainfo gives, and shows more than a handful of colours.
test_screenshots() {
  local metainfo count i url file
  metainfo="$(archive "$build/packaging/*.metainfo.xml")"
  count="$(xmllint --xpath 'count(/component/screenshots/screenshot/image)' "$metainfo")"
  [ "$count" -gt 0 ] || fail "$metainfo: no screenshot"
  for ((i = 1; i <= count; i++)); do
    url="$(xmllint --xpath "string((/component/screenshots/screenshot/image)[$i])" "$metainfo")"
    [[ "$url" == */screenshots/"$(version)"/*.png ]] || fail "$metainfo: $url is not under screenshots/$(version)/"
    file="$dist/screenshots/$(version)/$(basename "$url")"
    [ -f "$file" ] || fail "no $file for $url: run scripts/release.sh screenshots"
    [ "$(identify -format '%wx%h' "$file")" = "$(xmllint --xpath "concat((/component/screenshots/screenshot/image)[$i]/@width, 'x', (/component/screenshots/screenshot/image)[$i]/@height)" "$metainfo")" ] ||
      fail "$file is not of the size the metainfo gives"
    [ "$(colours "$file")" -gt 16 ] || fail "$file shows too few colours"
    echo "$(basename "$file"): $(identify -format '%wx%h' "$file"), $(colours "$file") colours"
  done
}

# ---- What every installed tree holds ------------------------------------------------

# PREFIX is an installed tree: the programs beside their data and the links
# that start them, the stage compiler, the desktop entry and its icons, the
# replay files' type, the AppStream metainfo, the manual pages and the
# documents. Every check fails on an error or a warning.
check_tree() {
  local prefix="$1" file
  for file in games/grazerunner games/grazerunner-sim games/grazerunner-stagec games/grazerunner-board \
              lib/games/grazerunner/grazerunner lib/games/grazerunner/grazerunner-sim \
              lib/games/grazerunner/grazerunner-board \
              share/games/grazerunner/stageno.txt share/games/grazerunner/bshp.dat \
              share/games/grazerunner/start.bmp share/games/grazerunner/music.wav \
              share/applications/grazerunner.desktop share/mime/packages/grazerunner.xml \
              share/doc/grazerunner/README.md share/doc/grazerunner/copyright \
              share/doc/grazerunner/changelog.gz share/doc/grazerunner/stages/README.md \
              share/doc/grazerunner/stages/stage0.txt; do
    [ -e "$prefix/$file" ] || fail "$prefix: no $file"
  done
  [ "$(readlink -f "$prefix/lib/games/grazerunner/data")" = "$(readlink -f "$prefix/share/games/grazerunner")" ] ||
    fail "$prefix: lib/games/grazerunner/data does not lead to share/games/grazerunner"
  # The larger icons are the 32 × 32 one, each pixel a square of 2 × 2 or
  # 4 × 4: every second or fourth pixel of them is that icon.
  local size icons="$prefix/share/icons/hicolor"
  for size in 32 64 128; do
    [ "$(identify -format '%m %w×%h' "$icons/${size}x$size/apps/grazerunner.png")" = "PNG $size×$size" ] ||
      fail "$prefix: the ${size}x$size icon is not a $size × $size PNG"
    [ "$(convert "$icons/${size}x$size/apps/grazerunner.png" -sample 32x32 png:- | pixels -)" = \
      "$(pixels "$icons/32x32/apps/grazerunner.png")" ] ||
      fail "$prefix: the ${size}x$size icon is not the 32 × 32 one enlarged"
  done
  check_desktop_entry "$prefix"
  check_metainfo "$prefix"
  check_manual_pages "$prefix"
  check_tools "$prefix"
}

# The desktop entry: valid without a warning, and it names the replay type
# that share/mime/packages/ defines (a MIME database made of that definition
# alone maps *.grr to it), passing the file to the game.
check_desktop_entry() {
  local prefix="$1" entry="$1/share/applications/grazerunner.desktop" out
  out="$(desktop-file-validate "$entry" 2>&1)" || fail "$entry: not valid: $out"
  [ -z "$out" ] || fail "$entry: $out"
  grep -qx 'MimeType=application/x-grazerunner-replay;' "$entry" || fail "$entry: no replay MimeType"
  grep -qx 'Exec=grazerunner %f' "$entry" || fail "$entry: Exec does not pass the file (%f)"
  local mime="$scratch/share/mime"
  rm -rf "$mime"
  mkdir -p "$mime/packages"
  cp "$prefix/share/mime/packages/grazerunner.xml" "$mime/packages/"
  out="$(XDG_DATA_DIRS="$scratch/share" update-mime-database "$mime" 2>&1)" || fail "$prefix: update-mime-database failed: $out"
  [ -z "$out" ] || fail "$prefix/share/mime/packages/grazerunner.xml: $out"
  grep -q ':application/x-grazerunner-replay:\*\.grr$' "$mime/globs2" ||
    fail "$prefix/share/mime/packages/grazerunner.xml: *.grr is not application/x-grazerunner-replay"
  echo "desktop entry and replay type valid"
}

# The AppStream metainfo: valid offline (the site's addresses are not
# fetched), named after its id, launching the desktop entry, its newest
# release the version, each screenshot with a caption.
check_metainfo() {
  local prefix="$1" files metainfo id
  files=( "$prefix"/share/metainfo/*.metainfo.xml )
  [ ${#files[@]} -eq 1 ] && [ -f "${files[0]}" ] || fail "$prefix: not one file in share/metainfo/"
  metainfo="${files[0]}"
  appstreamcli validate --no-net "$metainfo" || fail "$metainfo: appstreamcli finds an error or a warning"
  id="$(xmllint --xpath 'string(/component/id)' "$metainfo")"
  [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "$metainfo: not named after its id $id"
  [ "$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' "$metainfo")" = grazerunner.desktop ] ||
    fail "$metainfo: does not launch grazerunner.desktop"
  [ "$(xmllint --xpath 'string(/component/releases/release[1]/@version)' "$metainfo")" = "$(version)" ] ||
    fail "$metainfo: the newest release is not $(version)"
  [ "$(xmllint --xpath 'count(/component/screenshots/screenshot[caption != ""])' "$metainfo")" = \
    "$(xmllint --xpath 'count(/component/screenshots/screenshot)' "$metainfo")" ] ||
    fail "$metainfo: a screenshot without a caption"
}

# The manual pages: man renders each without a warning, with its synopsis,
# files and exit status; the game's with its keys, the score log and the data
# folders.
check_manual_pages() {
  local prefix="$1" page file text out
  for page in grazerunner grazerunner-sim grazerunner-stagec grazerunner-board; do
    file="$prefix/share/man/man6/$page.6.gz"
    [ -f "$file" ] || fail "$prefix: no share/man/man6/$page.6.gz"
    out="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)"
    [ -z "$out" ] || fail "$file: $out"
    text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null | col -b)"
    for section in NAME SYNOPSIS FILES "EXIT STATUS" "SEE ALSO"; do
      grep -qx "$section" <<<"$text" || fail "$file: no $section"
    done
    grep -qE "^ *$page( |$)" <<<"$(sed -n '/^SYNOPSIS$/,/^[A-Z]/p' <<<"$text")" || fail "$file: the synopsis does not show $page"
  done
  text="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$prefix/share/man/man6/grazerunner.6.gz" 2>/dev/null | col -b)"
  for word in KEYS Escape point.txt XDG_DATA_HOME data/ /usr/share/games/grazerunner/; do
    grep -qF -- "$word" <<<"$text" || fail "grazerunner(6) does not mention $word"
  done
  echo "manual pages render without warnings"
}

# The tools from the tree, started from a working folder of their own: the
# simulator finds the game's data through the links (no error box), the stage
# compiler compiles the stage sources in the documents.
check_tools() {
  local prefix="$1" out
  mkdir -p "$scratch/tools"
  out="$(cd "$scratch/tools" && printf 'frames 3\nexpect SceneId == 2\ndump Boxes\n' |
           "$prefix/games/grazerunner-sim" - 2>/dev/null)" || fail "$prefix: grazerunner-sim failed"
  [ "$out" = '{"Boxes":[]}' ] || fail "$prefix: grazerunner-sim did not find its data: $out"
  (cd "$scratch/tools" && "$prefix/games/grazerunner-stagec" build "$prefix/share/doc/grazerunner/stages" data >/dev/null) ||
    fail "$prefix: grazerunner-stagec cannot build the stage sources of share/doc/grazerunner/stages/"
  cmp -s "$scratch/tools/data/bshp.dat" "$prefix/share/games/grazerunner/bshp.dat" ||
    fail "$prefix: the stage sources in the documents do not make the game's stages"
  rm -rf "$scratch/tools"
  echo "grazerunner-sim and grazerunner-stagec run from the tree"
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

  # P pauses: the picture stands still, and P goes on. F11 makes a window of
  # its own (two times the picture on this 1024 × 768 screen), still drawn,
  # and F11 again the whole screen.
  press p
  shoot "$shots/paused-1.png"
  sleep 0.7
  shoot "$shots/paused-2.png"
  [ "$(pixels "$shots/paused-1.png")" = "$(pixels "$shots/paused-2.png")" ] ||
    fail "$name: the paused game moves (see $shots/paused-2.png)"
  press p
  shoot "$shots/going-on.png"
  [ "$(pixels "$shots/going-on.png")" != "$(pixels "$shots/paused-2.png")" ] ||
    fail "$name: P does not go on after the pause"
  local size
  press F11
  size="$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')"
  [ "$size" = 640x480 ] || fail "$name: F11 made a window of $size, not 640x480"
  shoot "$shots/window.png"
  [ "$(convert "$shots/window.png" -crop 640x480+192+144 -format %k info:)" -gt 16 ] ||
    fail "$name: the window shows no picture (see $shots/window.png)"
  press F11
  size="$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')"
  [ "$size" = 1024x768 ] || fail "$name: F11 again left a window of $size"
  echo "P paused and went on; F11 switched to a window of $(echo 640x480) and back"

  # Left alone, the ship loses its last life; the results wait for Enter,
  # which writes the score log and goes back to the title, where Escape ends
  # the program.
  for ((i = 0; i < 120; i++)); do
    [ -s "$work/point.txt" ] && break
    xdotool key Return
    sleep 1.5
  done
  [ -s "$work/point.txt" ] || fail "$name: the game did not reach its results in 3 minutes"
  sleep 1
  press Escape
  local status=0
  wait_for_end "$game" 10 || status=$?
  [ "$status" -ne 124 ] || fail "$name: still running 10 s after Escape"
  [ "$status" -eq 0 ] || { cat "$scratch/stderr" >&2; fail "$name: ended with $status after Escape"; }
  # The working folder holds the score log's line and the game's replay, which
  # plays again to that very line.
  local replay line
  replay="$(find "$work/replays" -type f 2>/dev/null)"
  [ "$(find "$work" -type f | wc -l)" = 2 ] && [ "$(echo "$replay" | wc -l)" = 1 ] && [[ "$replay" == *.grr ]] &&
    [[ "$replay" != *_unfinished.grr ]] ||
    fail "$name: the working folder holds $(ls -AR "$work") where point.txt and one replay were due"
  line="$(cat "$work/point.txt")"
  [ "$("$build/grazerunner-sim" verify "$replay")" = "$replay: $line ok" ] ||
    fail "$name: its replay does not verify to the score log's line ($line): $("$build/grazerunner-sim" verify "$replay")"
  mkdir -p "$build/smoke-replays"
  cp "$replay" "$build/smoke-replays/linux.grr"
  echo "the results, Enter, Escape at the title: exit 0; point.txt: $line; its replay verifies to that line"

  # Watched: the replay plays in the window by itself and the program ends
  # with 0; a damaged one gets the box, and the status 1.
  (cd "$work" && HOME="$home" XDG_DATA_HOME="$home/share" SDL_AUDIODRIVER=dummy \
     exec "$program" "$replay") >"$scratch/watch.out" 2>&1 &
  game=$!
  pids+=("$game")
  timeout 20 xdotool search --sync --onlyvisible --name '^Graze Runner: Zero Gravity$' >/dev/null ||
    fail "$name: watching a replay shows no window"
  sleep 1
  shoot "$shots/watch-1.png"
  press f; press f; press f  # eight times as fast
  sleep 0.5
  shoot "$shots/watch-2.png"
  [ "$(pixels "$shots/watch-1.png")" != "$(pixels "$shots/watch-2.png")" ] ||
    fail "$name: the replay stands still (see $shots/watch-1.png)"
  status=0
  wait_for_end "$game" 60 || status=$?
  [ "$status" -eq 0 ] || fail "$name: watching the replay ended with $status"
  head -c 100 "$replay" >"$scratch/cut.grr"
  (cd "$work" && HOME="$home" SDL_AUDIODRIVER=dummy exec "$program" "$scratch/cut.grr") >"$scratch/cut.out" 2>&1 &
  game=$!
  pids+=("$game")
  # The box, found by its title (xdotool does not match a title in Japanese
  # without a window manager), is answered with Enter.
  local box=
  for ((i = 0; i < 40; i++)); do
    box="$(xwininfo -root -tree | awk '/"エラー発生"/ { print $1; exit }')"
    [ -n "$box" ] && break
    sleep 0.5
  done
  [ -n "$box" ] || fail "$name: a damaged replay shows no box"
  xdotool windowfocus --sync "$box"
  xdotool key Return
  status=0
  wait_for_end "$game" 10 || status=$?
  [ "$status" -eq 1 ] || fail "$name: a damaged replay ended with $status, not 1"
  [ "$(find "$work" -type f | wc -l)" = 2 ] || fail "$name: watching wrote into the working folder"
  echo "the replay watched to its end (exit 0); a damaged one: its box and exit 1"

  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}

# ---- Commands -----------------------------------------------------------------------

# The archives named in the arguments, or all of them.
chosen() {
  local a known
  [ $# -gt 0 ] || { echo "${ARCHIVES[@]}"; return; }
  for a in "$@"; do
    known=0
    for k in "${ARCHIVES[@]}"; do [ "$a" = "$k" ] && known=1; done
    [ "$known" -eq 1 ] || { echo "release: no archive named $a (${ARCHIVES[*]})" >&2; exit 2; }
  done
  echo "$@"
}

case "${1:-}" in
  test)
    shift
    names="$(chosen "$@")"
    scripts/deps.sh
    cmake --preset default >/dev/null
    rm -rf "$build/smoke-replays"
    for a in $names; do
      echo "=== release test: $a ==="
      "test_$a"
    done
    # The replays that the real programs left (the window's, Wine's, the
    # browser's) play to the same bits on every build.
    if [ -n "$(ls "$build/smoke-replays" 2>/dev/null)" ]; then
      echo "=== release test: their replays on every build ==="
      scripts/replays.sh verify-everywhere "$build"/smoke-replays/*.grr || fail "a replay of the smoke tests does not verify on every build"
    fi
    echo "release: $(wc -w <<<"$names") archives passed their tests"
    ;;
  -h|--help)
    echo "usage: scripts/release.sh [test] [${ARCHIVES[*]}]" >&2
    exit 2
    ;;
  *)
    names="$(chosen "$@")"
    scripts/deps.sh
    cmake --preset default >/dev/null
    mkdir -p "$dist"
    for a in $names; do
      echo "=== release: $a ==="
      "make_$a"
    done
    echo "dist/ (version $(version)):"
    ls -l "$dist"
    ;;
esac
