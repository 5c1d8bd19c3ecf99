#!/usr/bin/env bash
# The display's connection breaks under a running game (the X server dies):
# the game ends within seconds with a non-zero status, and the score log it
# already had is untouched.
#   lost_display.sh GAME
set -euo pipefail
game="$1"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/grazerunner-lost-display.XXXXXX")"
xvfb=
pid=
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  [ -n "$xvfb" ] && kill -9 "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$scratch/display")"

mkdir "$scratch/work"
printf 'STAGE 1 MAXCOMBO 3 POINT 1200 N:ASTER M:KIDS\n' >"$scratch/work/point.txt"
(cd "$scratch/work" && SDL_AUDIODRIVER=dummy HOME="$scratch" exec "$game") >"$scratch/game.log" 2>&1 &
pid=$!
timeout 20 xdotool search --sync --onlyvisible --name '^Graze Runner: Zero Gravity$' >/dev/null ||
  fail "no window within 20 s"
sleep 1
kill -9 "$xvfb"
wait "$xvfb" 2>/dev/null || true
xvfb=
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  fail "still running 5 s after its display died ($(ps -o %cpu= -p "$pid")% of a core)"
fi
status=0
wait "$pid" || status=$?
pid=
[ "$status" -ne 0 ] || fail "ended with status 0, as if all went well"
[ "$(cat "$scratch/work/point.txt")" = 'STAGE 1 MAXCOMBO 3 POINT 1200 N:ASTER M:KIDS' ] || fail "the score log changed"
echo "the game ended with status $status once its display was gone; the score log is intact"
