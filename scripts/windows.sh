#!/usr/bin/env bash
# The Windows programs, cross-built with Debian's mingw-w64 into
# build-windows/ and tested under Debian's Wine.
#
#   scripts/windows.sh build   grazerunner.exe (statically linked: no DLL
#                              beside it) with its data/ folder,
#                              grazerunner-sim.exe, and grazerunner-traced.exe
#                              (the same program with the test mode that the
#                              smoke test reads; never shipped)
#   scripts/windows.sh test    the test suite, cross-built and run under Wine
#                              as one program, then every scenario of
#                              tests/scenarios/ through grazerunner-sim.exe,
#                              then the replay corpus (tests/replays/) verified
#                              by grazerunner-sim.exe in one run
#   scripts/windows.sh smoke   the program under Wine in Xvfb, from a folder
#                              with a non-ASCII name: its test build through a
#                              whole game (title, play, results, the score log,
#                              Escape) and a game with a picture missing (its
#                              box); GRAZE_WINDOWS_GAME names another folder
#                              with grazerunner.exe and data/ (the release
#                              archive's, unpacked): that program is started
#                              too, shows its title, plays, writes no trace
#                              and ends with Escape, and the test build plays
#                              with that data/
#
# The data folder and the program's icon come from the native build
# (build/, made here if it is not there yet): the tools that make them run
# here, not on Windows. Wine keeps its own prefix in build-windows/wineprefix.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
what=${1:-}

case "$what" in
  build|test|smoke) scripts/deps.sh mingw-w64 wine64 xvfb xauth xdotool imagemagick libasound2 ;;
  smoke-in-x) ;;
  *) echo "usage: scripts/windows.sh build|test|smoke" >&2; exit 2 ;;
esac

wine=/usr/lib/wine/wine64
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8

build() {
  cmake --preset default >/dev/null
  cmake --build --preset default --target data windows_icon
  # Optimised as the native default build is (-O2): at -O3 this compiler
  # warns falsely inside its own string code (-Wrestrict).
  cmake --no-warn-unused-cli -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DGRAZE_PLATFORM=win32 -DGRAZE_BENCH=OFF \
    -DGRAZE_DATA_FROM="$root/build/data" >/dev/null
  cmake --build "$out" -j2 --target "$@"
}

# One Wine server for all the runs of this script, stopped at its end. The
# first run makes Wine's prefix (about ten seconds).
start_wine() {
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "Making Wine's prefix in $WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    [ -d "$WINEPREFIX/drive_c" ] || { echo "Wine could not make its prefix" >&2; exit 1; }
  fi
  /usr/lib/wine/wineserver -p
  trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
}

case "$what" in
build)
  build grazerunner grazerunner-traced grazerunner-sim data
  # Only the system's own DLLs: the C++ runtime is linked in.
  for exe in "$out/grazerunner.exe" "$out/grazerunner-traced.exe" "$out/grazerunner-sim.exe"; do
    extra=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
      grep -viE '^(kernel32|user32|gdi32|msvcrt|winmm|imm32|dwmapi|shell32|ole32|advapi32)\.dll$' || true)
    if [ -n "$extra" ]; then echo "$exe needs $extra beside it" >&2; exit 1; fi
  done
  echo "Built $out/grazerunner.exe (with $out/data/) and $out/grazerunner-sim.exe"
  ;;

test)
  build grazerunner_tests grazerunner-sim data
  start_wine
  # Scratch folders of an earlier run that was cut short (Wine gives the
  # test program the same process id every time).
  rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/grz-*
  echo "=== the test suite under Wine ==="
  (cd "$out/tests" && "$wine" grazerunner_tests.exe --gtest_brief=1)
  echo "=== the scenarios under Wine ==="
  failed=0
  for script in tests/scenarios/*.sim; do
    name=$(basename "$script" .sim)
    if cmake -DSIM="$wine;$out/grazerunner-sim.exe" -DSCRIPT="$root/$script" -DDATA="$out/data" \
      -DWORK="$out/scenarios/$name" -P tests/run_scenario.cmake >"$out/scenario-$name.log" 2>&1; then
      echo "ok     $name"
    else
      echo "FAILED $name (log: $out/scenario-$name.log)"; failed=1
    fi
  done
  echo "=== the replay corpus under Wine ==="
  # (pipefail: the simulator's status counts)
  if "$wine" "$out/grazerunner-sim.exe" verify "$root/tests/replays" 2>&1 | tr -d '\r' >"$out/replay-corpus.log"; then
    echo "ok     $(grep -c ' ok$' "$out/replay-corpus.log") replays of tests/replays/"
  else
    echo "FAILED the replay corpus (log: $out/replay-corpus.log):"
    grep -v ' ok$' "$out/replay-corpus.log" | sed 's/^/  /'
    failed=1
  fi
  exit $failed
  ;;

smoke)
  build grazerunner-traced data
  cmake --build --preset default --target grazerunner-sim
  start_wine
  xvfb-run -a -s "-screen 0 1280x720x24 -nolisten tcp" "$0" smoke-in-x
  ;;

smoke-in-x)
  # Runs inside xvfb-run (DISPLAY set). Each check prints one line.
  base=$out/smoke
  dir="$base/ゲーム データ"    # the program folder and the working folder
  home=$base/home             # HOME for Wine: its sound card is a file (below)
  rm -rf "$base"
  mkdir -p "$dir" "$home"
  game=${GRAZE_WINDOWS_GAME:-$out}
  cp -r "$game/data" "$dir/"
  # The default ALSA device writes what Wine plays into a file, so that the
  # sound that reaches the card can be looked at.
  printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' "$home/sound.raw" >"$home/.asoundrc"

  fail() { echo "FAILED: $*" >&2; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }
  ok() { echo "ok     $*"; }
  # Waits up to $2 seconds for the trace to hold the text $1.
  wait_trace() {
    for _ in $(seq $((${2} * 10))); do
      grep -qF -- "$1" "$trace" 2>/dev/null && return 0
      sleep 0.1
    done
    return 1
  }
  tap() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; sleep 0.35; }
  start() {
    trace=$base/$1.trace
    rc=$base/$1.rc
    (cd "$dir" && HOME=$home GRAZE_TRACE="$trace" "$wine" grazerunner.exe >"$base/$1.log" 2>&1; echo $? >"$rc") &
    pid=$!
  }
  # Waits for the program to end; its exit code must be 0.
  ended() {
    for _ in $(seq 200); do [ -s "$rc" ] && break; sleep 0.1; done
    [ -s "$rc" ] || fail "the program did not end"
    [ "$(cat "$rc")" = 0 ] || fail "exit code $(cat "$rc")"
    wait "$pid" || true
    pid=
  }

  # ---- The program that is shipped (the release archive's): it starts,
  # shows its title, plays, and ends with Escape; it has no test mode, so a
  # trace asked for is never written.
  if [ -n "${GRAZE_WINDOWS_GAME:-}" ]; then
    cp "$game/grazerunner.exe" "$dir/"
    start shipped
    timeout 60 xdotool search --sync --name '^Graze Runner: Zero Gravity$' >/dev/null ||
      fail "the shipped program shows no window titled Graze Runner: Zero Gravity"
    for _ in $(seq 40); do
      sleep 0.5
      import -window root "$base/shipped-title.png"
      [ "$(convert "$base/shipped-title.png" -format %k info:)" -ge 64 ] && break
    done
    [ "$(convert "$base/shipped-title.png" -format %k info:)" -ge 64 ] || fail "the shipped program draws no title"
    tap Return; tap z; tap z; sleep 1
    import -window root "$base/shipped-play.png"; sleep 0.5
    import -window root "$base/shipped-play2.png"
    [ "$(identify -format '%#' "$base/shipped-play.png")" != "$(identify -format '%#' "$base/shipped-play2.png")" ] ||
      fail "the shipped program stands still after Enter, Z, Z"
    tap Escape
    ended
    [ ! -e "$trace" ] || fail "the shipped program wrote a trace: it must have no test mode"
    # Escape in play left the game as an unfinished replay.
    [ "$(find "$dir/replays" -name '*_unfinished.grr' 2>/dev/null | wc -l)" = 1 ] ||
      fail "the shipped program left no unfinished replay: $(ls -A "$dir/replays" 2>&1)"
    rm -rf "$dir/point.txt" "$dir/replays"
    ok "the shipped program: its window and title, Enter, Z, Z into play, Escape with exit code 0 and an unfinished replay, no trace"
  fi
  cp "$out/grazerunner-traced.exe" "$dir/grazerunner.exe"

  # ---- A whole game: title, STANDARD with BRIONY (Enter, Z, Z), the player
  # standing still until the last life is lost, the results, Enter.
  start game
  wait_trace "open rb ./data/stageno.txt ok" 60 || fail "the game did not start (trace: $trace)"
  timeout 20 xdotool search --sync --name '^Graze Runner: Zero Gravity$' >/dev/null ||
    fail "no window titled Graze Runner: Zero Gravity"
  grep -qx 'activate 1' "$trace" || fail "the window was not activated"
  grep -qx "icon MAIN 32x32, the game's own" "$trace" || fail "the window's icon: $(grep -m1 '^icon' "$trace")"
  ok "window \"Graze Runner: Zero Gravity\", activated, $(grep -m1 '^icon' "$trace")"
  sleep 1
  import -window root "$base/title.png"
  colours=$(convert "$base/title.png" -format %k info:)
  border=$(convert "$base/title.png" -crop 150x720+0+0 -format %k info:)
  [ "$colours" -ge 64 ] || fail "the title shows $colours colours"
  [ "$border" = 1 ] || fail "the border left of the picture has $border colours"
  ok "title drawn: $colours colours, centred on black ($(grep -m1 '^display' "$trace"))"
  tap Return; tap z; tap z
  wait_trace "open rb ./data/stage0.da1 ok" 10 || fail "Enter, Z, Z did not reach the play scene"
  sleep 1
  import -window root "$base/play.png"
  ok "Enter, Z, Z: the play scene ($(convert "$base/play.png" -format %k info:) colours)"
  # F11: a window of its own, two times the picture on this screen, with the
  # picture in it; F11 again: the whole screen.
  tap F11
  wait_trace "windowed 640x480 scale 2" 10 || fail "F11 made no window of 640x480: $(grep -m1 '^windowed' "$trace")"
  sleep 0.5
  import -window root "$base/window.png"
  [ "$(convert "$base/window.png" -crop 600x440+340+140 -format %k info:)" -gt 16 ] || fail "the window shows no picture"
  tap F11
  wait_trace "full screen 1280x720" 10 || fail "F11 again did not cover the screen"
  ok "F11 switched to a window of 640x480 with the picture in it, and back"
  # Until the last life is lost the results wait for Enter; Enter there
  # writes the score log.
  for _ in $(seq 120); do
    grep -qF "point.txt" "$trace" && break
    tap Return; sleep 1.5
  done
  wait_trace "open a point.txt ok" 1 || fail "the game did not reach its results"
  [ -f "$dir/point.txt" ] || fail "no point.txt in the working folder"
  # A text file: its one line ends in the system's line end, CR LF.
  if ! tr -d '\r' <"$dir/point.txt" | grep -qxE 'STAGE [0-9]+ MAXCOMBO -?[0-9]+ POINT [0-9]+ N:BRIONY M:STANDARD' ||
    [ "$(wc -l <"$dir/point.txt")" != 1 ] || [ "$(tail -c 2 "$dir/point.txt" | od -An -tx1 | tr -d ' ')" != 0d0a ]; then
    fail "point.txt holds: $(od -c "$dir/point.txt" | head -5)"
  fi
  sed -n '/point.txt/,$p' "$trace" | grep -qF "data/start.bmp ok" || fail "the title did not come back"
  ok "results confirmed, back to the title; point.txt in the working folder: $(tr -d '\r' <"$dir/point.txt")"
  grep -qx 'audio 44100' "$trace" || fail "the sound card did not open: $(grep -m1 '^audio' "$trace")"
  loud=$(od -An -v -td2 -w2 "$home/sound.raw" | awk '$1 > 1000 || $1 < -1000 { n++ } END { print n + 0 }')
  [ "$loud" -gt 44100 ] || fail "the sound card got silence"
  ok "sound through waveOut reached the card: $loud loud samples"
  tap Escape
  ended
  ok "Escape ended the program with exit code 0"
  # The game left its replay beside the score log: it verifies with the
  # Linux build and ends with the score log's line; watched with the program
  # (F three times: 8 times as fast), it runs to its end and the program
  # ends by itself.
  replay="$(find "$dir/replays" -name '*.grr' | head -1)"
  [ -n "$replay" ] || fail "the game left no replay in replays/"
  verdict="$("$root/build/grazerunner-sim" verify "$replay")"
  [[ "$verdict" == *" $(tr -d '\r' <"$dir/point.txt") ok" ]] || fail "the replay does not verify on Linux: $verdict"
  mkdir -p "$root/build/smoke-replays"
  cp "$replay" "$root/build/smoke-replays/windows.grr"
  ok "its replay verifies with the Linux build: $(basename "$replay")"
  watched="replays\\$(basename "$replay")"
  trace=$base/watch.trace
  rc=$base/watch.rc
  (cd "$dir" && HOME=$home GRAZE_TRACE="$trace" "$wine" grazerunner.exe "$watched" >"$base/watch.log" 2>&1; echo $? >"$rc") &
  pid=$!
  wait_trace "activate 1" 60 || fail "watching: no window"
  sleep 1; tap f; tap f; tap f
  for _ in $(seq 1200); do [ -s "$rc" ] && break; sleep 0.1; done
  ended
  grep -qx 'window destroyed' "$trace" || fail "watching: the window was not destroyed"
  [ "$(find "$dir/replays" -name '*.grr' | wc -l)" = 1 ] || fail "watching wrote another replay"
  ok "the replay watched to its end, and the program ended by itself with exit code 0"

  # ---- A picture missing: its box, then the game goes on; Alt+F4 does
  # nothing; a close request from the system (taskkill without /f sends the
  # window WM_CLOSE) ends it.
  rm "$dir/data/tlop.bmp"
  start box
  timeout 60 xdotool search --sync --name '^エラー発生$' >/dev/null || fail "no box titled エラー発生"
  wait_trace "box " 10 || fail "the box was not read"
  expected="box エラー発生 | ktDraw::LoadObject : BMPファイルを読み込めません"
  [ "$(grep '^box ' "$trace")" = "$expected" ] || fail "the box reads: $(grep '^box ' "$trace")"
  ok "the box: $(grep '^box ' "$trace")"
  xdotool key Return
  wait_trace "open rb ./data/stageno.txt ok" 20 || fail "the game did not go on after the box"
  sleep 1
  xdotool key alt+F4
  sleep 3  # a program that does end takes about two seconds under Wine
  if [ -s "$rc" ] || grep -qx 'window destroyed' "$trace"; then fail "Alt+F4 ended the program"; fi
  ok "after OK the game goes on; Alt+F4 does nothing"
  "$wine" taskkill /im grazerunner.exe >/dev/null
  ended
  grep -qx 'window destroyed' "$trace" || fail "the window was not destroyed"
  ok "a close request from the system ended the program with exit code 0"
  ;;
esac
