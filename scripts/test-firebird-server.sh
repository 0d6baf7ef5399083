#!/usr/bin/env bash
# Runs the suites that start ordo-server (CTest label "firebird": end to end, server, update, fault, load) against
# a Firebird server reached over TCP instead of the embedded engine. Installs Debian's firebird3.0-server when it
# is missing, starts its guardian when no server listens, logs in as SYSDBA with the password the package keeps,
# and stops only the server it started.
# Usage: scripts/test-firebird-server.sh [build-dir]   (the build dir must be built already)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORDO_TEST_BUILD:-$here/build}}
etc=/etc/firebird/3.0
pidfile=/run/firebird3.0/firebird.pid

if ! dpkg-query -W -f='${Status}' firebird3.0-server 2>/dev/null | grep -q "install ok installed"; then
  echo "test-firebird-server: installing firebird3.0-server" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends firebird3.0-server >/dev/null
fi

listening() { ss -Hltn 'sport = :3050' | grep -q .; }
guardian=
server=
stop_what_we_started() {
  [[ -n $guardian ]] || return 0
  echo "test-firebird-server: stopping the Firebird server it started (guardian $guardian, server $server)"
  kill -TERM "$guardian" 2>/dev/null || true  # the guardian takes its server down with it
  for _ in $(seq 300); do
    kill -0 "$guardian" 2>/dev/null || kill -0 "$server" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -TERM "$server" 2>/dev/null || true
}
trap stop_what_we_started EXIT

if listening; then
  echo "test-firebird-server: a Firebird server listens on port 3050 already; it is used and left running"
else
  /etc/init.d/firebird3.0 start >/dev/null
  for _ in $(seq 150); do listening && break; sleep 0.1; done
  server=$(cat "$pidfile")
  guardian=$(ps -o ppid= -p "$server" | tr -d ' ')
  [[ $(ps -o comm= -p "$guardian") == fbguard ]] || guardian=$server  # no guardian: the server alone
  listening || { echo "test-firebird-server: the Firebird server did not come up" >&2; exit 1; }
fi

# The package keeps SYSDBA's login as shell assignments (ISC_USER, ISC_PASSWORD); ordo-server reads both.
set -a
# shellcheck disable=SC1091
. "$etc/SYSDBA.password"
set +a
export ORDO_TEST_FIREBIRD_SERVER=localhost/3050

# The password as a service keeps it, in a file: the server logs in with it alone, and refuses a wrong one.
work=$(mktemp -d)
chmod 0777 "$work"  # the Firebird server creates the database file as its own user
# ordo-server creates only database files of its own machine: on the server it is made as an administrator would.
echo "CREATE DATABASE '$ORDO_TEST_FIREBIRD_SERVER:$work/check.fdb';" >"$work/create.sql"
isql-fb -q -bail -i "$work/create.sql" \
  || { echo "test-firebird-server: isql-fb could not create the check database" >&2; exit 1; }
try_password_file() {  # password -> ordo-server's exit status after it attached the database and stopped
  printf '%s\n' "$1" >"$work/password"
  : >"$work/out"
  env -u ISC_USER -u ISC_PASSWORD "$build/bin/ordo-server" --database "$ORDO_TEST_FIREBIRD_SERVER:$work/check.fdb" \
    --user "$ISC_USER" --password-file "$work/password" --port 0 >"$work/out" 2>"$work/err" &
  local pid=$! status=0
  for _ in $(seq 300); do [[ -s $work/out ]] || ! kill -0 "$pid" 2>/dev/null && break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" || status=$?
  echo "$status"
}
[[ $(try_password_file "$ISC_PASSWORD") == 0 ]] && grep -q listening "$work/out" \
  || { echo "test-firebird-server: --password-file did not log in: $(cat "$work/err")" >&2; exit 1; }
[[ $(try_password_file "not-$ISC_PASSWORD") == 1 ]] \
  || { echo "test-firebird-server: a wrong password in --password-file was not refused" >&2; exit 1; }
echo "test-firebird-server: --password-file logs in with the file's password and is refused with a wrong one"
rm -rf "$work"
(cd "$build" && ctest -L firebird --output-on-failure --timeout 600 -j2)
