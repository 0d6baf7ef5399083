#!/usr/bin/env bash
# The replay journal's cost: the requests of 1,000 queued single-row UPDATE files sent to ordo-server on embedded
# Firebird, each with its file identity ahead of it (the journal records its key in the statement's transaction)
# and without (the requests as they are without ExactlyOnce). Each side runs on a fresh copy of one database with
# a server of its own; the order of the two sides alternates from round to round; the table shows the medians.
# Usage: bench/e2e/journal.sh [build-dir]
#   ORDO_BENCH_UPDATES (1000)  ORDO_BENCH_ROUNDS (5)  ORDO_BENCH_FORCED_WRITES (1: Firebird's default; 0: asynchronous)
#   ORDO_BENCH_WORK (a new folder under /tmp)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
updates=${ORDO_BENCH_UPDATES:-1000}
rounds=${ORDO_BENCH_ROUNDS:-5}
forced_writes=${ORDO_BENCH_FORCED_WRITES:-1}
work=${ORDO_BENCH_WORK:-$(mktemp -d /tmp/ordo-journal.XXXXXX)}
gfix=$(command -v gfix || echo /usr/lib/firebird/3.0/bin/gfix)

if [[ ! -x $build/bin/ordo-server || ! -x $build/bench/journal_replay ]]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORDO_WERROR=OFF >/dev/null
  cmake --build "$build" -j2 --target ordo-server journal_replay >/dev/null
fi
mkdir -p "$work"
{
  cat "$here/server/schema/ledger.sql"
  for ((i = 1; i <= updates; i++)); do printf "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('C%05d', 0);\n" "$i"; done
  echo "COMMIT;"
} > "$work/init.sql"

server=
stop_server() {
  if [[ -n $server ]]; then kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true; fi
  server=
}
trap stop_server EXIT
start_server() {  # start_server DATABASE [options]: sets $server and $port
  local db=$1; shift
  : > "$work/server.out"
  "$build/bin/ordo-server" --database "$db" --port 0 "$@" > "$work/server.out" 2>> "$work/server.log" &
  server=$!
  for _ in $(seq 1 3000); do
    [[ -s "$work/server.out" ]] && break
    kill -0 "$server" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
    sleep 0.1
  done
  port=$(head -n 1 "$work/server.out" | grep -oE '[0-9]+$')
}

rm -f "$work/seed.fdb"
start_server "$work/seed.fdb" --create --init "$work/init.sql"  # the journal table is made at this start
stop_server
[[ $forced_writes == 0 ]] && "$gfix" -write async -user SYSDBA "$work/seed.fdb"

side() {  # side on|off ROUND
  cp "$work/seed.fdb" "$work/$1.fdb"
  sync
  start_server "$work/$1.fdb"
  "$build/bench/journal_replay" "$port" "$updates" "$1" > "$work/time.$1.$2"
  stop_server
}
for ((round = 1; round <= rounds; round++)); do
  if ((round % 2)); then side off "$round"; side on "$round"; else side on "$round"; side off "$round"; fi
  echo "== round $round/$rounds: off $(cat "$work/time.off.$round") s, on $(cat "$work/time.on.$round") s"
done
median() { cat "$work/time.$1".* | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
off=$(median off); on=$(median on)
awk -v off="$off" -v on="$on" -v n="$updates" -v r="$rounds" -v w="$([[ $forced_writes == 0 ]] && echo asynchronous || echo synchronous)" 'BEGIN {
  printf "\nmedian of %d rounds, database writes %s\n\n", r, w
  print "| replay of " n " single-row UPDATE files | journal off | journal on | ratio | target |"
  print "|---|---|---|---|---|"
  printf "| wall clock | %.2f s | %.2f s | %.3f× | ≤ 1.10× |\n", off, on, on / off
  printf "| per file | %.2f ms | %.2f ms | | |\n", off * 1000 / n, on * 1000 / n
}'
echo "(files, logs and databases in $work)"
