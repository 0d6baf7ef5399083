#!/usr/bin/env bash
# Builds the two Debian packages, unpacks them into a temporary root and checks what a site would get:
# names, the one version number, derived Depends, configuration files, the programs answering --version,
# the packaged ordo-server settings starting a server, the sample Environment.ini read by fqreplay, and
# the systemd units passing systemd-analyze verify (where that tool exists).
# Usage: scripts/test-packages.sh [build-dir]   (the build dir must be configured and built already)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORDO_TEST_BUILD:-$here/build}}
version=$(sed -n 's/^set(ORDO_VERSION \([0-9.]*\)).*/\1/p' "$here/cmake/ordo_version.cmake")
[[ -n $version ]] || { echo "test-packages: FAILED: no version in cmake/ordo_version.cmake" >&2; exit 1; }
arch=$(dpkg --print-architecture)

cmake --build "$build" --target package >/dev/null

work=$(mktemp -d)
server_pid=
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
root=$work/root
mkdir -p "$root"
passes=0
failures=0
fail() { echo "test-packages: FAILED: $*" >&2; failures=$((failures + 1)); }
pass() { echo "test-packages: ok: $*"; passes=$((passes + 1)); }

field() { dpkg-deb -f "$1" "$2"; }
for name in fqreplay ordo-server; do
  deb=$build/${name}_${version}_${arch}.deb
  if [[ ! -f $deb ]]; then fail "no package $deb"; continue; fi
  [[ $(field "$deb" Package) == "$name" && $(field "$deb" Version) == "$version" ]] \
    && pass "$name $version" || fail "$deb: Package/Version $(field "$deb" Package) $(field "$deb" Version)"
  [[ $(field "$deb" Depends) == *libc6* && -n $(field "$deb" Description) ]] \
    && pass "$name: Depends $(field "$deb" Depends)" || fail "$name: Depends or Description missing"
  dpkg-deb -x "$deb" "$root"
  dpkg-deb -e "$deb" "$work/control-$name"
done
[[ $(field "$build/ordo-server_${version}_${arch}.deb" Depends) == *libfbclient2* ]] \
  || fail "ordo-server does not depend on the Firebird client library"
grep -qx /opt/fqreplay/Environment.ini "$work/control-fqreplay/conffiles" \
  && grep -qx /etc/ordo-server/ordo-server.conf "$work/control-ordo-server/conffiles" \
  && pass "Environment.ini and ordo-server.conf are configuration files" || fail "conffiles: $(cat "$work"/control-*/conffiles)"

# The man pages are installed compressed and read as man pages.
for page in fqreplay ordo-server; do
  gz=$root/usr/share/man/man1/$page.1.gz
  if gzip -t "$gz" 2>/dev/null && [[ $(gzip -dc "$gz" | head -c 3) == ".TH" ]]; then pass "man page $page.1.gz"
  else fail "man page $gz"; fi
done
[[ $(readlink "$root/usr/bin/fqreplay") == /opt/fqreplay/fqreplay ]] || fail "/usr/bin/fqreplay is not a link into /opt/fqreplay"
[[ -d $root/opt/fqreplay/temp/FQ ]] || fail "no queue folder /opt/fqreplay/temp/FQ"

# The unpacked programs answer --version with the project's version.
for program in usr/bin/ordo-server opt/fqreplay/fqreplay; do
  out=$(timeout 20 "$root/$program" --version </dev/null 2>&1) && [[ $out == *"$version"* ]] \
    && pass "$program --version: $out" || fail "$program --version said: ${out:0:200}"
done

# The packaged settings are valid: the server starts from them (the database moved to a scratch place).
"$root/usr/bin/ordo-server" --config "$root/etc/ordo-server/ordo-server.conf" --database "$work/ledger.fdb" \
  --init "$root/usr/share/ordo-server/ledger.sql" --port 0 >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 300); do [[ -s $work/server.out ]] && break; sleep 0.1; done
if grep -q "^ordo-server listening on 127.0.0.1:" "$work/server.out"; then pass "the packaged ordo-server.conf starts the server"
else fail "ordo-server did not start from its packaged settings: $(cat "$work/server.err")"; fi
kill "$server_pid"
status=0
wait "$server_pid" || status=$?
server_pid=
[[ $status -eq 0 ]] && pass "ordo-server stopped cleanly" || fail "ordo-server exit status $status after SIGTERM"

# The sample Environment.ini is read as a working address and port: a headless run against a port that
# nobody listens on (1, tcpmux, is never served here) ends with "try later" (75), not with a configuration
# error (2).
cp -a "$root/opt/fqreplay" "$work/fqreplay"
sed -i "s/^DBDSPort=.*/DBDSPort=$("$root/opt/fqreplay/scramble-port" 1)/" "$work/fqreplay/Environment.ini"
status=0
(unset DISPLAY; timeout 60 "$work/fqreplay/fqreplay" --connect-timeout 1 </dev/null >"$work/replay.out" 2>&1) || status=$?
[[ $status -eq 75 ]] && pass "the sample Environment.ini parses (a refused port ends with 75)" \
  || fail "fqreplay with the sample Environment.ini ended with $status: $(head -c 300 "$work/replay.out")"

# The units, their commands pointed into the unpacked root.
if command -v systemd-analyze >/dev/null; then
  mkdir -p "$work/units"
  for unit in "$root"/lib/systemd/system/*; do
    sed "s|^ExecStart=/|ExecStart=$root/|" "$unit" >"$work/units/$(basename "$unit")"
  done
  if out=$(systemd-analyze verify --man=no "$work"/units/* 2>&1) && [[ -z $out ]]; then
    pass "systemd-analyze verify: $(cd "$work/units" && echo *)"
  else
    fail "systemd-analyze verify: $out"
  fi
else
  echo "test-packages: systemd-analyze not found; the units were not verified"
fi

echo "test-packages: $passes passed, $failures failed"
exit $((failures == 0 ? 0 : 1))
