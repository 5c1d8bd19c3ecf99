#!/usr/bin/env bash
# The score board (grazerunner-board).
#   scripts/board.sh [OPTION...]  builds it and starts a board on
#                                 http://127.0.0.1:8080/ with SQLite in
#                                 board-data/, and the game's site under
#                                 /play/ when build-web/site exists
#                                 (scripts/web.sh build); options go to
#                                 `grazerunner-board serve`
#   scripts/board.sh test         its tests against SQLite, then against a
#                                 real PostgreSQL started here in a scratch
#                                 folder (build/board-postgres) on a free
#                                 local port, stopped after; then the board
#                                 with PostgreSQL stopped under it (503) and
#                                 started again (back without a restart);
#                                 and the board's page in headless Chromium
#                                 (tests/board/page_test.js)
#   scripts/board.sh load         load, faults and bad input against two
#                                 boards on one PostgreSQL
#                                 (scripts/board-load.sh; not in ./test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
action="${1:-serve}"

build() {
  scripts/deps.sh "$@"
  cmake --preset default >/dev/null
  cmake --build --preset default --target grazerunner-board grazerunner_board_tests grazerunner_tests
}

[ "$action" = load ] && exec scripts/board-load.sh

if [ "$action" != test ]; then
  build
  site=()
  [ -d build-web/site ] && site=(--site build-web/site)
  exec build/grazerunner-board serve --listen 127.0.0.1:8080 --data board-data "${site[@]}" "$@"
fi

build postgresql
echo "=== the board on SQLite ==="
(cd build && ctest --output-on-failure -j2 -R 'BoardApi|ScoreLine')

echo "=== the board's page in headless Chromium ==="
[ -d build-web/site ] || echo "(no build-web/site, made by scripts/web.sh build: the game site's part is skipped)"
missing=()  # by command, as scripts/web.sh asks (npm may come with node)
for pair in chromium:chromium nodejs:node npm:npm; do command -v "${pair#*:}" >/dev/null || missing+=("${pair%%:*}"); done
[ ${#missing[@]} -eq 0 ] || scripts/deps.sh "${missing[@]}"
if [ ! -d build-web/browser-test/node_modules/puppeteer-core ]; then
  mkdir -p build-web/browser-test
  cp tests/web/package.json tests/web/package-lock.json build-web/browser-test/
  (cd build-web/browser-test && npm ci --no-audit --no-fund --loglevel=error)
fi
NODE_PATH="$PWD/build-web/browser-test/node_modules" node tests/board/page_test.js

echo "=== the board on PostgreSQL ==="
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
scratch="$PWD/build/board-postgres"
rm -rf "$scratch"
mkdir -p "$scratch"
# PostgreSQL will not run as root: as nobody then.
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$scratch"
  as=(runuser -u nobody --)
fi
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
pg() { "${as[@]}" "$bin/pg_ctl" -D "$scratch/db" -l "$scratch/log" "$@"; }
stop() {
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  pg stop -m fast >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap stop EXIT
"${as[@]}" "$bin/initdb" -D "$scratch/db" -U board --auth=trust >/dev/null
start() { pg -w -o "-p $port -k $scratch -c listen_addresses=127.0.0.1" start >/dev/null; }
start
address="postgresql://board@127.0.0.1:$port/postgres"
(cd build && GRAZERUNNER_BOARD_TEST_DATABASE="$address" ctest --output-on-failure -j2 -R 'BoardApi')

echo "=== PostgreSQL stopped under the board, and back ==="
"${as[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U board outage
build/grazerunner-board serve --listen 127.0.0.1:0 --database "postgresql://board@127.0.0.1:$port/outage" \
  > "$scratch/board.out" 2> "$scratch/board.err" &
server=$!
for _ in $(seq 50); do grep -q listening "$scratch/board.out" 2>/dev/null && break; sleep 0.1; done
board=$(sed -n 's/.*listening on \(http:[^ ]*\)/\1/p' "$scratch/board.out")
status() { curl -s -o /dev/null -w '%{http_code}' "$@"; }
submit() { status -X POST -H 'Content-Type: application/octet-stream' --data-binary "@tests/replays/$1" "${board}api/replays?name=Outage"; }
check() {
  if [ "$2" != "$3" ]; then echo "FAILED: $1: $2, not $3"; exit 1; fi
  echo "ok: $1: $2"
}
check "a replay while PostgreSQL runs" "$(submit standard_calla_lost.grr)" 201
pg stop -m fast >/dev/null
check "health with PostgreSQL stopped" "$(status "${board}healthz")" 503
check "a replay with PostgreSQL stopped" "$(submit standard_aster_skip.grr)" 503
check "the scores with PostgreSQL stopped" "$(status "${board}api/scores?difficulty=STANDARD")" 503
start
check "health with PostgreSQL back" "$(status "${board}healthz")" 200
check "the replay again with PostgreSQL back" "$(submit standard_aster_skip.grr)" 201
check "the first replay again" "$(submit standard_calla_lost.grr)" 409
echo "board tests passed"
