#!/usr/bin/env bash
# The main job: build, start ordo-server on an embedded Firebird demo database, replay a demo queue with a copy of
# fqreplay, and show what was replayed, what stayed and the rebuilt ledger.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORDO_DEMO_BUILD:-$here/build}
demo=$here/demo

"$here/scripts/setup.sh" "$build"

rm -rf "$demo"
mkdir -p "$demo/app/temp/FQ" "$demo/db"
cp "$build/bin/fqreplay" "$demo/app/"
cp "$here"/scripts/demo/queue/*.txt "$demo/app/temp/FQ/"
cat "$here/server/schema/ledger.sql" "$here/scripts/demo/demo_data.sql" > "$demo/db/init.sql"

echo "== starting ordo-server on an embedded database ($demo/db/demo.fdb)"
"$build/bin/ordo-server" --database "$demo/db/demo.fdb" --create --init "$demo/db/init.sql" --port 0 \
    > "$demo/server.out" 2> "$demo/server.log" &
server=$!
stop_server() { kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true; }
trap stop_server EXIT
for _ in $(seq 1 300); do
  [[ -s "$demo/server.out" ]] && break
  kill -0 "$server" 2>/dev/null || { cat "$demo/server.log" >&2; exit 1; }
  sleep 0.1
done
port=$(head -n 1 "$demo/server.out" | grep -oE '[0-9]+$')
echo "   listening on port $port"

cat > "$demo/app/Environment.ini" <<INI
[SYSTEM]
SvrIP=127.0.0.1
SvrNM=
DBDSPort=$("$here/scripts/scramble-port" "$port")
[SYSSETUP]
DMGID=DEMO01
[FQREPLAY]
ExactlyOnce=1
INI

echo "== queue before the run"
for f in "$demo"/app/temp/FQ/*.txt; do printf '   %-24s %s\n' "$(basename "$f")" "$(head -c 70 "$f" | tr '\r\n' '  ')"; done

echo "== running fqreplay"
set +e
(cd / && timeout 120 "$demo/app/fqreplay")
status=$?
set -e
echo "   fqreplay exit status: $status"

echo "== replayed (deleted from the queue)"
for f in "$here"/scripts/demo/queue/*.txt; do
  [[ -e "$demo/app/temp/FQ/$(basename "$f")" ]] || echo "   $(basename "$f")"
done
echo "== stayed in the queue"
ls "$demo/app/temp/FQ" | sed 's/^/   /'

stop_server
trap - EXIT
echo "== the ledger and balances after the run"
isql=$(command -v isql-fb || echo /usr/lib/firebird/3.0/bin/isql)
"$isql" -q "$demo/db/demo.fdb" -user SYSDBA <<'SQL'
SET LIST OFF;
SELECT SALEDT, BUYERCD, CAST(BUYERNM AS VARCHAR(12)) AS BUYERNM, JIJA, PMIAMT1, BPAMT1, IGTOTAMT, DIJA
  FROM SAL_JAINFO ORDER BY BUYERCD, SALEDT;
SELECT BUYERCD, CURRMISU FROM BAS_MCBUYER ORDER BY BUYERCD;
SELECT JPNO, DEPTNM FROM SAL_SALEMASTER WHERE JPNO = '20240201-1-00001';
SQL
