#!/usr/bin/env bash
# Load, faults and bad input against two score boards sharing one
# PostgreSQL on this machine (also `scripts/board.sh load`). Not part of
# ./test.sh: about 9 minutes, and the first time the replays to send on top
# (several thousand games recorded by the simulator, kept in
# build/board-load/replays/ for later runs; about 15 minutes on an idle
# machine of two cores). Traffic only to 127.0.0.1.
#   1. load: GRAZE_LOAD_COUNT (2000) distinct real replays from
#      GRAZE_LOAD_CLIENTS (32) clients at once, spread over the two
#      instances; then every one answered 201 is checked on the board.
#      Then GRAZE_LONG_COUNT (400) of those games that last 4.5 minutes or
#      more (the random games last 2.6 minutes on average), at
#      GRAZE_LONG_RATE a second (10 a core), and again as fast as answered,
#      each run on a fresh database.
#   2. faults, on a fresh database: GRAZE_FAULT_COUNT (600) replays the same
#      way; after a quarter one instance is killed with SIGKILL (the clients
#      send again to the other what got no answer); at the half PostgreSQL
#      is stopped for 5 s and started again (the board answers 503 meanwhile
#      and takes replays again without a restart of its own); then every
#      replay answered 201 is on the board exactly once.
#   3. bad input: GRAZE_BAD_COUNT (1000) malformed requests and 32 slow
#      clients while a well-behaved client is served; then the same through
#      nginx in front of the two instances (as a public board would run).
# The figures are printed and kept in build/board-load/*.json; exit status 1
# when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${GRAZE_LOAD_COUNT:-2000}
clients=${GRAZE_LOAD_CLIENTS:-32}
faults=${GRAZE_FAULT_COUNT:-600}
bad=${GRAZE_BAD_COUNT:-1000}
long=${GRAZE_LONG_COUNT:-400}
long_rate=${GRAZE_LONG_RATE:-$((10 * $(nproc)))}

scripts/deps.sh postgresql nodejs nginx
cmake --preset default >/dev/null
cmake --build --preset default --target grazerunner-board grazerunner-sim

work="$PWD/build/board-load"
replays="$work/replays"
mkdir -p "$work"
if [ "$(find "$replays" -name '*.grr' 2>/dev/null | wc -l)" -lt "$count" ]; then
  echo "=== recording $count games with random inputs (grazerunner-sim random) ==="
  rm -rf "$replays"
  (cd "$work" && ../grazerunner-sim random "$count" 11 replays)
fi
load=(node tools/board/load/board_load.js)

# PostgreSQL in a scratch folder on a free local port, as nobody (it will
# not run as root), stopped with everything else at the end.
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
scratch="$work/postgres"
as=()
[ "$(id -u)" -eq 0 ] && as=(runuser -u nobody --)
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
pg() { "${as[@]}" "$bin/pg_ctl" -D "$scratch/db" -l "$scratch/log" "$@"; }
pg_start() { pg -w -o "-p $port -k $scratch -c listen_addresses=127.0.0.1 -c max_connections=200" start >/dev/null; }
servers=()
finish() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  pg stop -m fast >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap finish EXIT
rm -rf "$scratch"
mkdir -p "$scratch"
[ ${#as[@]} -gt 0 ] && chown nobody "$scratch"
"${as[@]}" "$bin/initdb" -D "$scratch/db" -U board --auth=trust >/dev/null
pg_start

# Starts an instance on the database named; sets `address` and `pid`.
instance() {
  local out="$scratch/board-$RANDOM.out"
  build/grazerunner-board serve --listen 127.0.0.1:0 --rate 0 \
    --database "postgresql://board@127.0.0.1:$port/$1" > "$out" 2>> "$work/boards.err" &
  pid=$!
  servers+=("$pid")
  for _ in $(seq 100); do grep -q listening "$out" 2>/dev/null && break; sleep 0.1; done
  address=$(sed -n 's/.*listening on \(http:[^ ]*\)/\1/p' "$out")
  [ -n "$address" ] || { echo "an instance did not start: $(tail -3 "$work/boards.err")"; exit 1; }
}
stop_instances() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  servers=()
}
failed=0
run() {  # run NAME COMMAND…: its figures into NAME.json, a failure counted
  if "$@" > "$work/$name.json"; then echo "ok: $name"; else echo "FAILED: $name"; failed=1; fi
  cat "$work/$name.json"
}
: > "$work/boards.err"

echo "=== load: $count replays, $clients clients, two instances, one PostgreSQL ==="
"${as[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U board load
instance load; a=$address
instance load; b=$address
name=load run "${load[@]}" submit --to "$a,$b" --replays "$replays" --count "$count" --clients "$clients" \
  --out "$work/load-outcomes.json"
name=load-check run "${load[@]}" check --to "$a" --outcomes "$work/load-outcomes.json"
stop_instances

echo "=== five-minute games: $long games of 4.5 minutes or more, at $long_rate a second, then as fast as answered ==="
for phase in paced fast; do
  "${as[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U board "long_$phase"
  instance "long_$phase"; a=$address
  instance "long_$phase"; b=$address
  rate=()
  [ $phase = paced ] && rate=(--rate "$long_rate")
  name=long-$phase run "${load[@]}" submit --to "$a,$b" --replays "$replays" --count "$long" --min-minutes 4.5 \
    --clients "$clients" "${rate[@]}"
  stop_instances
done

echo "=== faults: $faults replays; one instance killed, PostgreSQL stopped and started ==="
"${as[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U board faults
instance faults; a=$address; victim=$pid
instance faults; b=$address
pg_restart="$(printf '%q ' "${as[@]}" "$bin/pg_ctl" -D "$scratch/db" -l "$scratch/log") stop -m fast >/dev/null; sleep 5;"
pg_restart+=" $(printf '%q ' "${as[@]}" "$bin/pg_ctl" -D "$scratch/db" -l "$scratch/log") -w -o '-p $port -k $scratch"
pg_restart+=" -c listen_addresses=127.0.0.1 -c max_connections=200' start >/dev/null"
name=faults run "${load[@]}" submit --to "$a,$b" --replays "$replays" --count "$faults" --clients "$clients" \
  --out "$work/faults-outcomes.json" --at "$((faults / 4)):kill -KILL $victim" --at "$((faults / 2)):$pg_restart"
name=faults-check run "${load[@]}" check --to "$b" --outcomes "$work/faults-outcomes.json"
health=$(curl -s -o /dev/null -w '%{http_code}' "${b}healthz")
if [ "$health" = 200 ]; then echo "ok: the surviving instance is healthy after PostgreSQL came back"
else echo "FAILED: the surviving instance answers /healthz with $health"; failed=1; fi

echo "=== bad input: $bad malformed requests and 32 slow clients ==="
instance faults; a=$address
name=bad run "${load[@]}" bad --to "$a,$b" --replays "$replays" --count "$bad"
echo "=== the same bad input through nginx in front of the two instances ==="
stop_instances
instance faults; a=$address
instance faults; b=$address
upstreams="server ${a#http://}; server ${b#http://};"
proxy_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$scratch/nginx"
cat > "$scratch/nginx/nginx.conf" <<EOF
pid $scratch/nginx/nginx.pid;
error_log $scratch/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $scratch/nginx/body;
    proxy_temp_path $scratch/nginx/proxy;
    fastcgi_temp_path $scratch/nginx/fastcgi;
    uwsgi_temp_path $scratch/nginx/uwsgi;
    scgi_temp_path $scratch/nginx/scgi;
    client_max_body_size 2m;
    client_header_timeout 10s;
    upstream board { ${upstreams//\//} }
    server {
        listen 127.0.0.1:$proxy_port;
        location / {
            proxy_pass http://board;
            proxy_set_header X-Forwarded-For \$proxy_add_x_forwarded_for;
        }
    }
}
EOF
nginx -c "$scratch/nginx/nginx.conf" -p "$scratch/nginx" -g 'daemon off; user nobody nogroup;' &
servers+=("$!")
sleep 1
name=bad-nginx run "${load[@]}" bad --to "http://127.0.0.1:$proxy_port/" --replays "$replays" --count "$bad"

echo "=== $( [ $failed = 0 ] && echo 'the load, faults and bad input checks passed' || echo 'a check FAILED') ==="
echo "(the boards' standard error: $work/boards.err)"
exit $failed
