#!/usr/bin/env bash
# End-to-end benchmarks of fqreplay, each next to the same work done directly with isql-fb, in one run:
#   1. replay of queued single-row UPDATE files (fqreplay -> ordo-server -> embedded Firebird), against isql-fb
#      running the same statements with a COMMIT after each;
#   2. the balance rebuild of one buyer with many vouchers, against isql-fb running the same ledger query and the
#      same write statements in the same transactions (one per 100 query rows).
# Two copies of one generated database serve the two sides, since the embedded engine keeps a file to one process.
# Each round starts from fresh copies; the table shows the median of the rounds.
# Usage: bench/e2e/run.sh [build-dir]
#   ORDO_BENCH_UPDATES (1000)  ORDO_BENCH_VOUCHERS (100000)  ORDO_BENCH_ROUNDS (3)
#   ORDO_BENCH_FORCED_WRITES (1: Firebird's default, every commit waits for the disk; 0: the databases write
#   asynchronously, which leaves only the work of the two sides to compare, the harder test for fqreplay)
#   ORDO_BENCH_CHARSET (UTF8: the clients' texts in UTF-8, four bytes a character declared for each text column;
#   KSC_5601: the Korean shops' own, two bytes a character, the client under a EUC-KR locale made for the run)
#   ORDO_BENCH_WORK (a new folder under /tmp)
#   ORDO_BENCH_BASELINE_SERVER (none: an ordo-server binary of an earlier build; its replay and rebuild run in the same
#   rounds on a copy of their own, so that the table compares the two builds side by side; after this build's in
#   odd rounds, before it in even ones)
#   ORDO_BENCH_TEXT_SIDE (0; 1: the replay and rebuild once more with this build's server running every statement as
#   text, --statement-cache 0, for its processor time split before the prepared statements)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-bench}
updates=${ORDO_BENCH_UPDATES:-1000}
vouchers=${ORDO_BENCH_VOUCHERS:-100000}
rounds=${ORDO_BENCH_ROUNDS:-3}
forced_writes=${ORDO_BENCH_FORCED_WRITES:-1}
charset=${ORDO_BENCH_CHARSET:-UTF8}
work=${ORDO_BENCH_WORK:-$(mktemp -d /tmp/ordo-e2e.XXXXXX)}
baseline_server=${ORDO_BENCH_BASELINE_SERVER:-}
text_side=${ORDO_BENCH_TEXT_SIDE:-0}
isql=$(command -v isql-fb || echo /usr/lib/firebird/3.0/bin/isql)
gfix=$(command -v gfix || echo /usr/lib/firebird/3.0/bin/gfix)
buyer=B0001
buyer_name=BIGBUYER
start_date=1750-01-01

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORDO_WERROR=OFF >/dev/null
cmake --build "$build" -j2 --target fqreplay ordo-server rebuild_script >/dev/null

rm -rf "$work"/{db,app,round*,*.sql,*.log,*.out}
mkdir -p "$work/db" "$work/app/temp/FQ"
# The environment fqreplay and the script writer run in: the client's code page is its locale's codeset.
client_env=(env -u DISPLAY)
case $charset in
  UTF8) ;;
  KSC_5601)
    mkdir -p "$work/locale"
    localedef -i ko_KR -f EUC-KR "$work/locale/ko_KR.EUC-KR" 2> "$work/localedef.err" ||
      { echo "cannot make a ko_KR.EUC-KR locale (Debian package locales):" >&2; cat "$work/localedef.err" >&2; exit 1; }
    client_env+=(LOCPATH="$work/locale" LC_ALL=ko_KR.EUC-KR) ;;
  *) echo "ORDO_BENCH_CHARSET: UTF8 or KSC_5601, not $charset" >&2; exit 1 ;;
esac
cp "$build/bin/fqreplay" "$work/app/"

# ---- data: one buyer's vouchers, one a day from the start date (so every 100 query rows give 100 ledger
# statements), every tenth a collection, every twentieth sale a return; a carried-in balance the day before; and
# the buyers whose balances the queued UPDATE files set.
awk -v n="$vouchers" -v u="$updates" -v buyer="$buyer" -v name="$buyer_name" '
  function days(y, m, d,   era, yoe, doy) {   # days since 1970-01-01 of a civil date
    y -= (m <= 2); era = int((y >= 0 ? y : y - 399) / 400); yoe = y - era * 400
    doy = int((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5) + d - 1
    return era * 146097 + yoe * 365 + int(yoe / 4) - int(yoe / 100) + doy - 719468
  }
  function civil(z,   era, doe, yoe, doy, mp, d, m, y) {
    z += 719468; era = int((z >= 0 ? z : z - 146096) / 146097); doe = z - era * 146097
    yoe = int((doe - int(doe / 1460) + int(doe / 36524) - int(doe / 146096)) / 365)
    y = yoe + era * 400; doy = doe - (365 * yoe + int(yoe / 4) - int(yoe / 100)); mp = int((5 * doy + 2) / 153)
    d = doy - int((153 * mp + 2) / 5) + 1; m = mp + (mp < 10 ? 3 : -9); y += (m <= 2)
    return sprintf("%04d-%02d-%02d", y, m, d)
  }
  BEGIN {
    base = days(1750, 1, 1)
    printf "INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, BUYERNM, DIJA) VALUES (\047%s\047, \047MC\047, \047%s\047, \047%s\047, 1000000);\n", civil(base - 1), buyer, name
    for (i = 0; i < n; i++) {
      date = civil(base + i); key = substr(date, 1, 4) substr(date, 6, 2) substr(date, 9, 2)
      if (i % 10 == 9) {
        printf "INSERT INTO SAL_IGJG (JPNO, ILJA, BUYERCD, BUYERNM, TOTALAMT, IGCASH, IGBANK, DCAMT, IOGB) VALUES (\047%s-9-%05d\047, \047%s\047, \047%s\047, \047%s\047, %d, %d, %d, %d, \047IG\047);\n", key, i % 100000, date, buyer, name, 30000 + i % 7000, 20000 + i % 5000, 10000 + i % 2000, i % 3 * 100
      } else if (i % 20 == 3) {
        printf "INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, BUYERNM, SALEAMT, BPAMT, MCGB) VALUES (\047%s-1-%05d\047, \047MJBP\047, \047%s\047, \047%s\047, \047%s\047, %d, %d, \047SM\047);\n", key, i % 100000, date, buyer, name, -(2000 + i % 900), -(2000 + i % 900)
      } else {
        printf "INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, BUYERNM, SALEAMT, TOTALAMT, IGCASH, IGCARD, DCAMT, CUTAMT, MCGB) VALUES (\047%s-1-%05d\047, \047MJSL\047, \047%s\047, \047%s\047, \047%s\047, %d.50, %d.50, %d, %d, %d, %d, \047SM\047);\n", key, i % 100000, date, buyer, name, 10000 + i % 5000, 10000 + i % 5000, i % 4 * 1000, i % 7 * 500, i % 5 * 10, i % 2 * 5
      }
    }
    for (i = 1; i <= u; i++) printf "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES (\047C%05d\047, 0);\n", i
    print "COMMIT;"
  }' > "$work/data.sql"

# The queued UPDATE files and the same statements for isql, each committed.
rm -rf "$work/updates"; mkdir -p "$work/updates"
for ((i = 1; i <= updates; i++)); do
  sql=$(printf "UPDATE BAS_MCBUYER SET CURRMISU = %d.25 WHERE BUYERCD = 'C%05d'" "$((i * 13))" "$i")
  printf '%s\r\n' "$sql" > "$(printf '%s/updates/U%05d.txt' "$work" "$i")"
  printf '%s;\nCOMMIT;\n' "$sql"
done > "$work/updates.sql"
printf 'SetGRNY,%s,%s,%s\r\n' "$buyer" "$buyer_name" "$start_date" > "$work/rebuild.cmd"

echo "== building the databases ($vouchers vouchers, $updates buyers to update)"
cat "$here/server/schema/ledger.sql" "$work/data.sql" > "$work/init.sql"
server=
stop_server() {
  if [[ -n $server ]]; then kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true; fi
  server=
}
trap stop_server EXIT
server_bin=$build/bin/ordo-server
start_server() {  # start_server DATABASE [ordo-server options]; runs $server_bin
  local db=$1; shift
  : > "$work/server.out"
  "$server_bin" --database "$db" --port 0 "$@" > "$work/server.out" 2>> "$work/server.log" &
  server=$!
  for _ in $(seq 1 6000); do
    [[ -s "$work/server.out" ]] && break
    kill -0 "$server" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
    sleep 0.1
  done
  port=$(head -n 1 "$work/server.out" | grep -oE '[0-9]+$')
}
start_server "$work/db/seed.fdb" --create --init "$work/init.sql"
stop_server
if [[ $forced_writes == 0 ]]; then
  "$gfix" -write async -user SYSDBA "$work/db/seed.fdb"
fi

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
tick=$(getconf CLK_TCK)
requests() { grep -E ': (select|exec|raw select|procedure) ' "$work/server.log" | grep -vc ': exec cpu: ' || true; }
TIMEFORMAT='%3R %3U %3S'
# timed NAME COMMAND...: "wall user system" seconds of the command into $out/NAME.time
timed() {
  local name=$1; shift
  { time "$@" > "$out/$name.out" 2> "$out/$name.err"; } 2> "$out/$name.time"
}
# The server's processor time of the execute requests logged after line $1: prepare, execute and commit seconds,
# statements, and those run as prepared shapes (0 0 0 0 0 from a build that does not log them).
cpu_split() {
  tail -n +"$(( $1 + 1 ))" "$work/server.log" | awk '/exec cpu: / {
      for (i = 2; i <= NF; i++) {
        if ($i == "prepare") p += $(i + 1); else if ($i == "execute") e += $(i + 1); else if ($i == "commit") c += $(i + 1)
        else if ($i == "statements,") n += $(i - 1); else if ($i == "prepared,") k += $(i - 1)
      } }
    END { printf "%.3f %.3f %.3f %d %d\n", p, e, c, n, k }'
}
replay() {  # replay NAME: runs fqreplay on what the queue holds; fails when anything stayed in it
  local before r0 l0; before=$(cpu_ticks "$server"); r0=$(requests); l0=$(wc -l < "$work/server.log")
  timed "$1" "${client_env[@]}" timeout 600 "$work/app/fqreplay"
  echo "$(( $(cpu_ticks "$server") - before )) $(( $(requests) - r0 ))" > "$out/$1.server"
  cpu_split "$l0" > "$out/$1.split"
  if [[ -n $(ls "$work/app/temp/FQ") ]]; then
    echo "fqreplay left files in its queue:" >&2; ls "$work/app/temp/FQ" | head >&2; cat "$out/$1.err" >&2; exit 1
  fi
}
direct() {  # direct NAME SCRIPT: runs the script with isql-fb on the direct copy, in the clients' character set
  timed "$1" "$isql" -q -ch "$charset" -user SYSDBA "$work/db/direct.fdb" -i "$2"
  if grep -q 'Statement failed\|SQLSTATE' "$out/$1.err"; then cat "$out/$1.err" >&2; exit 1; fi
}
# Both databases must have ended the same, or the two sides did not do the same work.
check() {
  "$isql" -q -ch UTF8 -user SYSDBA "$1" <<'SQL'
SELECT COUNT(*), SUM(JIJA), SUM(PMIAMT1), SUM(BPAMT1), SUM(IGTOTAMT), SUM(DCAMT), SUM(CUTAMT), SUM(DIJA),
       MIN(SALEDT), MAX(SALEDT) FROM SAL_JAINFO;
SELECT COUNT(*), SUM(CURRMISU), MAX(CURRMISU) FROM BAS_MCBUYER;
SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = 'B0001';
SQL
}
environment() {  # the client's Environment.ini for the server listening on $port
  cat > "$work/app/Environment.ini" <<INI
[SYSTEM]
SvrIP=127.0.0.1
SvrNM=
DBDSPort=$("$here/scripts/scramble-port" "$port")
[SYSSETUP]
DMGID=BENCH01
INI
}
# other_side NAME SERVER [options]: the replay and the rebuild once more, with another server on a copy of its own;
# its database must end as the direct one did.
other_side() {
  local name=$1; server_bin=$2; shift 2
  cp "$work/db/seed.fdb" "$work/db/$name.fdb"
  sync
  start_server "$work/db/$name.fdb" --log-level debug --charset "$charset" "$@"
  environment
  echo "== round $round/$rounds: 1. and 2. again, $name"
  cp "$work"/updates/*.txt "$work/app/temp/FQ/"
  replay "updates_$name"
  cp "$work/rebuild.cmd" "$work/app/temp/FQ/rebuild.txt"
  replay "rebuild_$name"
  stop_server
  server_bin=$build/bin/ordo-server
  check "$work/db/$name.fdb" > "$out/$name.check"
}
same_as_direct() {  # same_as_direct NAME: the other side's database ended as the direct one did
  if ! cmp -s "$out/$1.check" "$out/direct.check"; then
    echo "the $1 database differs from the direct one after round $round:" >&2
    diff "$out/$1.check" "$out/direct.check" >&2 || true
    exit 1
  fi
}

for ((round = 1; round <= rounds; round++)); do
  out=$work/round$round
  mkdir -p "$out"
  # The baseline goes first in even rounds and last in odd ones, so that neither build always runs right after
  # the other's copies and writes.
  if [[ -n $baseline_server ]] && (( round % 2 == 0 )); then other_side baseline "$baseline_server"; fi
  cp "$work/db/seed.fdb" "$work/db/replay.fdb"
  cp "$work/db/seed.fdb" "$work/db/direct.fdb"
  sync
  start_server "$work/db/replay.fdb" --log-level debug --charset "$charset"
  environment

  echo "== round $round/$rounds: 1. replay of $updates single-row UPDATE files"
  cp "$work"/updates/*.txt "$work/app/temp/FQ/"
  replay updates_fq
  direct updates_isql "$work/updates.sql"

  echo "== round $round/$rounds: 2. balance rebuild of one buyer with $vouchers vouchers"
  cp "$work/rebuild.cmd" "$work/app/temp/FQ/rebuild.txt"
  replay rebuild_fq
  if [[ ! -s $work/rebuild.sql ]]; then
    # The same query and writes as the rebuild made, written by the rebuild's own code with the query answered
    # again by the server (the rows it reads lie before the start date or are vouchers, which the rebuild leaves
    # alone).
    "${client_env[@]}" "$build/bench/rebuild_script" "$port" "$buyer" "$buyer_name" "$start_date" > "$work/rebuild.sql" \
      2> "$work/rebuild_script.err" || { cat "$work/rebuild_script.err" >&2; rm -f "$work/rebuild.sql"; exit 1; }
  fi
  direct rebuild_isql "$work/rebuild.sql"

  # The rebuild's query alone, as a queued file: what receiving and decoding the rows costs the client, apart
  # from the walk and its write requests. The rebuild left the rows it reads as they were.
  awk 'BEGIN { RS = ";\n" } NR == 1 { printf "%s\r\n", $0; exit }' "$work/rebuild.sql" > "$work/app/temp/FQ/query.txt"
  replay query_fq
  stop_server

  check "$work/db/replay.fdb" > "$out/replay.check"
  check "$work/db/direct.fdb" > "$out/direct.check"
  if ! cmp -s "$out/replay.check" "$out/direct.check"; then
    echo "the two databases differ after round $round:" >&2
    diff "$out/replay.check" "$out/direct.check" >&2 || true
    exit 1
  fi
  if [[ -n $baseline_server ]] && (( round % 2 == 1 )); then other_side baseline "$baseline_server"; fi
  if [[ -n $baseline_server ]]; then same_as_direct baseline; fi
  if [[ $text_side == 1 ]]; then
    other_side text "$build/bin/ordo-server" --statement-cache 0
    same_as_direct text
  fi
done

# ---- the table: medians over the rounds
median() {  # median FILE-NAME FIELD: the median of that field of that file over the rounds
  for ((r = 1; r <= rounds; r++)); do awk -v f="$2" '{ print $f }' "$work/round$r/$1"; done |
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
cpu() {  # cpu NAME: the median of user + system seconds
  for ((r = 1; r <= rounds; r++)); do awk '{ print $2 + $3 }' "$work/round$r/$1.time"; done |
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
ledger_rows=$(awk 'NF && $1 ~ /^[0-9]+$/ { print $1; exit }' "$work/round1/replay.check")
query_rows=$(( vouchers + 1 ))  # the vouchers and the carried-in balance row
awk -v fq1="$(median updates_fq.time 1)" -v c1="$(cpu updates_fq)" -v is1="$(median updates_isql.time 1)" \
    -v ic1="$(cpu updates_isql)" -v srv1="$(median updates_fq.server 1)" -v req1="$(median updates_fq.server 2)" \
    -v fq2="$(median rebuild_fq.time 1)" -v c2="$(cpu rebuild_fq)" -v is2="$(median rebuild_isql.time 1)" \
    -v u2="$(median rebuild_fq.time 2)" -v s2="$(median rebuild_fq.time 3)" \
    -v ic2="$(cpu rebuild_isql)" -v cq="$(cpu query_fq)" -v charset="$charset" -v srv2="$(median rebuild_fq.server 1)" -v req2="$(median rebuild_fq.server 2)" \
    -v n1="$updates" -v qrows="$query_rows" -v lrows="$ledger_rows" -v tick="$tick" -v rounds="$rounds" \
    -v writes="$([[ $forced_writes == 0 ]] && echo asynchronous || echo synchronous)" '
  BEGIN {
    printf "\nmedian of %d rounds, database writes %s, client character set %s\n\n", rounds, writes, charset
    print "| benchmark | fqreplay | isql-fb direct | ratio | target | fqreplay CPU | ordo-server CPU | isql-fb CPU | requests |"
    print "|---|---|---|---|---|---|---|---|---|"
    printf "| replay of %d single-row UPDATE files | %.2f s | %.2f s | %.2f× | ≤ 1.3× | %.3f s | %.2f s | %.2f s | %d |\n", \
      n1, fq1, is1, fq1 / is1, c1, srv1 / tick, ic1, req1
    printf "| rebuild of one buyer: %d query rows, %d ledger rows | %.2f s | %.2f s | %.2f× | ≤ 1.5× | %.3f s (%.2f µs a row) | %.2f s | %.2f s | %d |\n", \
      qrows, lrows, fq2, is2, fq2 / is2, c2, c2 * 1e6 / qrows, srv2 / tick, ic2, req2
    print ""
    printf "client CPU per query row: %.2f µs (target < 2 µs): %s; of it user %.2f µs, system %.2f µs (medians of each)\n", \
      c2 * 1e6 / qrows, (c2 * 1e6 / qrows < 2 ? "met" : "MISSED"), u2 * 1e6 / qrows, s2 * 1e6 / qrows
    printf "the ledger query alone (a queued file, its rows received and decoded): %.2f µs a query row; the rest, the walk and its write requests: %.2f µs\n", \
      cq * 1e6 / qrows, (c2 - cq) * 1e6 / qrows
    printf "replay within 1.3× of direct: %s;  rebuild within 1.5× of direct: %s\n", \
      (fq1 / is1 <= 1.3 ? "met" : "MISSED"), (fq2 / is2 <= 1.5 ? "met" : "MISSED")
  }'
# The other sides, and where the server's processor time went (medians of each figure).
split_row() {  # split_row LABEL NAME
  printf "| %s | %s s | %s s | %s s | %s | %s |\n" "$1" "$(median "$2.split" 1)" "$(median "$2.split" 2)" \
    "$(median "$2.split" 3)" "$(median "$2.split" 4)" "$(median "$2.split" 5)"
}
for side in baseline text; do
  [[ -f $work/round1/rebuild_$side.time ]] || continue
  awk -v s="$side" -v fq1="$(median "updates_$side.time" 1)" -v fq2="$(median "rebuild_$side.time" 1)" \
      -v is1="$(median updates_isql.time 1)" -v is2="$(median rebuild_isql.time 1)" \
      -v srv1="$(median "updates_$side.server" 1)" -v srv2="$(median "rebuild_$side.server" 1)" -v tick="$tick" '
    BEGIN {
      printf "%s side: replay %.2f s (%.2f× of direct, server CPU %.2f s), rebuild %.2f s (%.2f× of direct, server CPU %.2f s)\n", \
        s, fq1, fq1 / is1, srv1 / tick, fq2, fq2 / is2, srv2 / tick
    }'
done
echo
echo "| ordo-server processor time | prepare | execute | commit | statements | prepared |"
echo "|---|---|---|---|---|---|"
split_row "replay, this build" updates_fq
split_row "rebuild, this build" rebuild_fq
if [[ -f $work/round1/rebuild_text.split ]]; then
  split_row "replay, every statement as text" updates_text
  split_row "rebuild, every statement as text" rebuild_text
fi
echo "(files, logs and databases in $work)"
