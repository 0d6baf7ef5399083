#!/usr/bin/env bash
# Builds the two Debian packages and checks what a site gets:
#  1. unpacked into a temporary root: names, the one version number, derived Depends, configuration
#     files, man pages, the layout of links beside fqreplay, the programs answering --version, the
#     packaged ordo-server.conf starting a server, the sample Environment.ini read by fqreplay, the
#     systemd units passing systemd-analyze verify;
#  2. lintian on both packages: no error may remain;
#  3. installed for real with apt-get (as root, and only on a machine where neither package nor
#     anything they make is present): ordo-server run by hand as its user from the packaged
#     settings, fqreplay replaying a queued statement as its user, a program update pushed to
#     fqreplay run as root and as its user and refused both times, a reinstall as an upgrade
#     keeping the edited settings and the administrator's queue mode, remove keeping settings,
#     queue and database, purge leaving only the queued work and the database; then everything
#     the test made is taken away again, packages pulled in as dependencies included.
# Usage: scripts/test-packages.sh [build-dir]   (the build dir must be configured and built already)
# ORDO_SKIP_INSTALL=1 skips step 3.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORDO_TEST_BUILD:-$here/build}}
version=$(sed -n 's/^set(ORDO_VERSION \([0-9.]*\)).*/\1/p' "$here/cmake/ordo_version.cmake")
[[ -n $version ]] || { echo "test-packages: FAILED: no version in cmake/ordo_version.cmake" >&2; exit 1; }
arch=$(dpkg --print-architecture)

cmake --build "$build" --target package >/dev/null
fq_deb=$build/fqreplay_${version}_${arch}.deb
srv_deb=$build/ordo-server_${version}_${arch}.deb

work=$(mktemp -d)
server_pid=
installed=no
cleanup() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  [[ $installed == yes ]] && restore_machine
  rm -rf "$work"
}
trap cleanup EXIT
root=$work/root
mkdir -p "$root"
passes=0
failures=0
fail() { echo "test-packages: FAILED: $*" >&2; failures=$((failures + 1)); }
pass() { echo "test-packages: ok: $*"; passes=$((passes + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# Starts ordo-server in the background with the given arguments as the given user; sets server_pid
# and server_port, or fails.
start_server() {
  local user=$1; shift
  : >"$work/server.out"
  if [[ $user == root ]]; then "$@" >"$work/server.out" 2>>"$work/server.err" &
  else runuser -u "$user" -- "$@" >"$work/server.out" 2>>"$work/server.err" & fi
  server_pid=$!
  for _ in $(seq 300); do [[ -s $work/server.out ]] && break; sleep 0.1; done
  server_port=$(sed -n 's/^ordo-server listening on .*:\([0-9]*\)$/\1/p' "$work/server.out")
  [[ -n $server_port ]]
}
stop_server() {
  local status=0
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" || status=$?
  server_pid=
  return "$status"
}

# --- 1. unpacked ------------------------------------------------------------------------------
field() { dpkg-deb -f "$1" "$2"; }
for deb in "$fq_deb" "$srv_deb"; do
  name=$(basename "$deb" "_${version}_${arch}.deb")
  if [[ ! -f $deb ]]; then fail "no package $deb"; continue; fi
  [[ $(field "$deb" Package) == "$name" && $(field "$deb" Version) == "$version" ]] \
    && pass "$name $version" || fail "$deb: Package/Version $(field "$deb" Package) $(field "$deb" Version)"
  [[ $(field "$deb" Depends) == *libc6* && -n $(field "$deb" Description) ]] \
    && pass "$name: Depends $(field "$deb" Depends)" || fail "$name: Depends or Description missing"
  [[ $(field "$deb" Maintainer) != *localhost* && $(field "$deb" Maintainer) == *@*.* ]] \
    && pass "$name: Maintainer $(field "$deb" Maintainer)" || fail "$name: Maintainer $(field "$deb" Maintainer)"
  dpkg-deb -x "$deb" "$root"
  dpkg-deb -e "$deb" "$work/control-$name"
done
[[ $(field "$srv_deb" Depends) == *libfbclient2* ]] || fail "ordo-server does not depend on the Firebird client library"
grep -qx /etc/fqreplay/Environment.ini "$work/control-fqreplay/conffiles" \
  && grep -qx /etc/ordo-server/ordo-server.conf "$work/control-ordo-server/conffiles" \
  && pass "Environment.ini and ordo-server.conf are configuration files in /etc" \
  || fail "conffiles: $(cat "$work"/control-*/conffiles)"
[[ -z $(cd "$root" && find opt -mindepth 1 2>/dev/null) ]] && pass "nothing under /opt" || fail "files under /opt"

for page in fqreplay ordo-server; do
  gz=$root/usr/share/man/man1/$page.1.gz
  if gzip -t "$gz" 2>/dev/null && [[ $(gzip -dc "$gz" | head -c 3) == ".TH" ]]; then pass "man page $page.1.gz"
  else fail "man page $gz"; fi
  [[ -s $root/usr/share/doc/$page/copyright ]] && gzip -t "$root/usr/share/doc/$page/changelog.gz" \
    && pass "$page: copyright and changelog" || fail "$page: no copyright or changelog in /usr/share/doc/$page"
done
declare -A links=([usr/bin/fqreplay]=/usr/lib/fqreplay/fqreplay
                  [usr/lib/fqreplay/Environment.ini]=/etc/fqreplay/Environment.ini
                  [usr/lib/fqreplay/temp/FQ]=/var/spool/fqreplay)
for link in "${!links[@]}"; do
  [[ $(readlink "$root/$link") == "${links[$link]}" ]] && pass "/$link -> ${links[$link]}" \
    || fail "/$link is not a link to ${links[$link]}"
done

for program in usr/bin/ordo-server usr/lib/fqreplay/fqreplay; do
  out=$(timeout 20 "$root/$program" --version </dev/null 2>&1) && [[ $out == *"$version"* ]] \
    && pass "$program --version: $out" || fail "$program --version said: ${out:0:200}"
done

# The packaged settings are valid: the server starts from them (the database moved to a scratch place).
if start_server root "$root/usr/bin/ordo-server" --config "$root/etc/ordo-server/ordo-server.conf" \
     --database "$work/ledger.fdb" --init "$root/usr/share/ordo-server/ledger.sql" --port 0; then
  pass "the packaged ordo-server.conf starts the server"
else
  fail "ordo-server did not start from its packaged settings: $(cat "$work/server.err")"
fi
stop_server && pass "ordo-server stopped cleanly" || fail "ordo-server did not stop cleanly after SIGTERM"

# The sample Environment.ini is read as a working address and port: a headless run against a port that
# nobody listens on (1, tcpmux, is never served here) ends with "try later" (75), not with a configuration
# error (2). The copy has the layout of the package with real folders in place of the links.
mkdir -p "$work/fqreplay/temp/FQ"
cp "$root/usr/lib/fqreplay/fqreplay" "$work/fqreplay/"
sed "s/^DBDSPort=.*/DBDSPort=$("$root/usr/lib/fqreplay/scramble-port" 1)/" "$root/etc/fqreplay/Environment.ini" \
  >"$work/fqreplay/Environment.ini"
status=0
(unset DISPLAY; timeout 60 "$work/fqreplay/fqreplay" --connect-timeout 1 </dev/null >"$work/replay.out" 2>&1) || status=$?
[[ $status -eq 75 ]] && pass "the sample Environment.ini parses (a refused port ends with 75)" \
  || fail "fqreplay with the sample Environment.ini ended with $status: $(head -c 300 "$work/replay.out")"

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

# --- 2. lintian -------------------------------------------------------------------------------
if command -v lintian >/dev/null; then
  lintian_out=$(lintian --no-tag-display-limit "$fq_deb" "$srv_deb" 2>&1) || true
  echo "$lintian_out" | sed 's/^/test-packages: lintian: /'
  errors=$(grep -c '^E:' <<<"$lintian_out" || true)
  [[ $errors -eq 0 ]] && pass "lintian: no errors" || fail "lintian: $errors errors"
else
  fail "lintian is not installed (scripts/setup.sh installs it)"
fi

# --- 3. installed for real --------------------------------------------------------------------
ours=(/usr/lib/fqreplay /etc/fqreplay /var/spool/fqreplay /etc/ordo-server /var/lib/ordo-server)
restore_machine() {
  [[ -n $server_pid ]] && stop_server || true
  dpkg --purge fqreplay ordo-server >/dev/null 2>&1 || true
  rm -rf "${ours[@]}"
  for u in fqreplay ordo-server; do
    getent passwd "$u" >/dev/null && userdel "$u" >/dev/null 2>&1
    getent group "$u" >/dev/null && groupdel "$u" >/dev/null 2>&1
  done
  comm -13 "$work/packages.before" <(dpkg-query -W -f='${Package}\n' | sort) >"$work/packages.added" || true
  if [[ -s $work/packages.added ]]; then
    apt-get purge -y -qq $(cat "$work/packages.added") >/dev/null 2>&1 || true
  fi
  installed=no
}

untouched=yes
for p in fqreplay ordo-server; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install\|config-files" && untouched=no
  getent passwd "$p" >/dev/null && untouched=no
done
for path in "${ours[@]}"; do [[ -e $path ]] && untouched=no; done
if [[ ${ORDO_SKIP_INSTALL:-0} == 1 ]]; then
  echo "test-packages: ORDO_SKIP_INSTALL=1: not installed"
elif [[ $(id -u) -ne 0 ]]; then
  echo "test-packages: not root: the packages were not installed"
elif [[ $untouched == no ]]; then
  fail "fqreplay or ordo-server (or their users or folders) are on this machine already; not installed over them"
else
  dpkg-query -W -f='${Package}\n' | sort >"$work/packages.before"
  installed=yes
  export DEBIAN_FRONTEND=noninteractive
  apt_install() {
    apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "$@" "$fq_deb" "$srv_deb" \
      >"$work/apt.out" 2>&1
  }
  # Every packaged file as shipped; an edited configuration file (" c ") is the administrator's right.
  verify() {
    local out
    out=$(dpkg --verify fqreplay ordo-server 2>&1 | grep -v '^..5...... c /etc/' || true)
    [[ -z $out ]] || { echo "$out" >&2; false; }
  }
  owner_mode() { stat -c '%U:%G %a' "$1" 2>/dev/null; }

  if apt_install; then pass "apt-get install ./fqreplay…deb ./ordo-server…deb"
  else fail "apt-get install: $(tail -5 "$work/apt.out")"; fi
  check "dpkg --verify after install" verify
  [[ $(owner_mode /var/spool/fqreplay) == "fqreplay:fqreplay 2775" ]] && pass "queue /var/spool/fqreplay fqreplay:fqreplay 2775" \
    || fail "queue: $(owner_mode /var/spool/fqreplay)"
  [[ $(owner_mode /var/lib/ordo-server) == "ordo-server:ordo-server 750" ]] \
    && pass "/var/lib/ordo-server ordo-server:ordo-server 750" || fail "/var/lib/ordo-server: $(owner_mode /var/lib/ordo-server)"

  # ordo-server by hand, as its user, from the packaged settings.
  if start_server ordo-server /usr/bin/ordo-server --config /etc/ordo-server/ordo-server.conf --port 0; then
    pass "ordo-server runs by hand as its user from /etc/ordo-server/ordo-server.conf"
  else
    fail "ordo-server by hand: $(tail -5 "$work/server.err")"
  fi
  [[ -s /var/lib/ordo-server/ledger.fdb && -z $(find /tmp -maxdepth 1 -name 'firebird-*' -user ordo-server) ]] \
    && pass "the database and the engine's lock folder are in /var/lib/ordo-server" \
    || fail "database or lock folder: $(ls -la /var/lib/ordo-server)"
  sed -i "s/^DBDSPort=.*/DBDSPort=$(/usr/lib/fqreplay/scramble-port "${server_port:-1}")/" /etc/fqreplay/Environment.ini
  queue_file() { install -o fqreplay -g fqreplay -m 0664 /dev/stdin "/var/spool/fqreplay/$1" <<<"$2"; }
  queue_file 001.txt "UPDATE BAS_MCBUYER SET CURRMISU = 0 WHERE BUYERCD = 'none'"
  status=0
  (unset DISPLAY; runuser -u fqreplay -- timeout 60 fqreplay --connect-timeout 20 </dev/null >"$work/run.out" 2>&1) || status=$?
  [[ $status -eq 0 && -z $(ls /var/spool/fqreplay) ]] && pass "fqreplay as its user replays /var/spool/fqreplay (status 0)" \
    || fail "fqreplay as its user: status $status, queue: $(ls /var/spool/fqreplay): $(cat "$work/run.out")"
  stop_server || true

  # A program update pushed by the server, to fqreplay run as root (as a root cron line would) and
  # as its user: refused, said on stderr, the queue still replayed, the packaged program unchanged.
  printf '#!/bin/sh\necho replaced\n' >"$work/update.sh"
  # The server runs as its own user: it must reach the file through the work folder.
  chmod o+x "$work"
  chmod 0644 "$work/update.sh"
  if start_server ordo-server /usr/bin/ordo-server --config /etc/ordo-server/ordo-server.conf \
       --port "${server_port:-0}" --push-update "$work/update.sh"; then
    for user in root fqreplay; do
      # The login goes out behind the first statement, so the push arrives while the second one waits.
      queue_file "002-$user.txt" "UPDATE BAS_MCBUYER SET CURRMISU = 0 WHERE BUYERCD = 'none'"
      queue_file "003-$user.txt" "UPDATE BAS_MCBUYER SET CURRMISU = 0 WHERE BUYERCD = 'none'"
      status=0
      (unset DISPLAY; runuser -u "$user" -- timeout 60 fqreplay --connect-timeout 20 </dev/null >"$work/run.out" 2>&1) \
        || status=$?
      sleep 1  # a restart script, had one been started, would have swapped the program by now
      if [[ $status -eq 0 && -z $(ls /var/spool/fqreplay) ]] && grep -q "refused" "$work/run.out" && verify \
         && [[ ! -e /usr/lib/fqreplay/TempFile && ! -e /usr/lib/fqreplay/ReStart.sh ]]; then
        pass "a pushed update is refused when fqreplay runs as $user: $(grep refused "$work/run.out")"
      else
        fail "pushed update as $user: status $status: $(cat "$work/run.out"); $(ls /usr/lib/fqreplay)"
      fi
    done
    stop_server || true
  else
    fail "ordo-server with --push-update did not start: $(tail -5 "$work/server.err")"
  fi

  # Reinstalled as an upgrade: the administrator's queue mode and the edited settings stay.
  chmod 2770 /var/spool/fqreplay
  edited=$(md5sum </etc/fqreplay/Environment.ini)
  if apt_install --reinstall; then pass "reinstall as an upgrade"; else fail "reinstall: $(tail -5 "$work/apt.out")"; fi
  [[ $(owner_mode /var/spool/fqreplay) == "fqreplay:fqreplay 2770" ]] && pass "the queue keeps mode 2770 on upgrade" \
    || fail "queue after upgrade: $(owner_mode /var/spool/fqreplay)"
  [[ $(md5sum </etc/fqreplay/Environment.ini) == "$edited" ]] && pass "the edited Environment.ini stays on upgrade" \
    || fail "Environment.ini changed on upgrade"
  [[ -s /var/lib/ordo-server/ledger.fdb ]] && check "dpkg --verify after upgrade" verify \
    || fail "the database went on upgrade"

  # Removed: settings, queued work and the database stay; the programs go.
  queue_file 003.txt "UPDATE BAS_MCBUYER SET CURRMISU = 0"
  if apt-get remove -y -qq -o DPkg::Lock::Timeout=300 fqreplay ordo-server >"$work/apt.out" 2>&1; then pass "remove"
  else fail "remove: $(tail -5 "$work/apt.out")"; fi
  [[ ! -e /usr/lib/fqreplay && ! -e /usr/bin/fqreplay && ! -e /usr/bin/ordo-server && -f /etc/fqreplay/Environment.ini \
     && -f /etc/ordo-server/ordo-server.conf && -f /var/spool/fqreplay/003.txt && -s /var/lib/ordo-server/ledger.fdb ]] \
    && pass "remove keeps settings, queue and database, and takes the programs" \
    || fail "after remove: $(ls -d /usr/lib/fqreplay /etc/fqreplay/* /var/spool/fqreplay/* /var/lib/ordo-server/* 2>&1)"

  # Purged: only the queued work and the database (with their owners) are left.
  if dpkg --purge fqreplay ordo-server >"$work/apt.out" 2>&1; then pass "purge"; else fail "purge: $(cat "$work/apt.out")"; fi
  left=$(ls -d /etc/fqreplay /etc/ordo-server /usr/lib/fqreplay /usr/share/doc/fqreplay /usr/share/doc/ordo-server \
           /lib/systemd/system/fqreplay.* /lib/systemd/system/ordo-server.* /var/lib/ordo-server/firebird-lock* 2>/dev/null || true)
  [[ -z $left && -f /var/spool/fqreplay/003.txt && -s /var/lib/ordo-server/ledger.fdb \
     && $(ls /var/lib/ordo-server) == ledger.fdb ]] \
    && pass "purge leaves only the queued work and the database" || fail "after purge: ${left:-} $(ls /var/lib/ordo-server)"
  # An empty queue and no database: purge leaves nothing, users included.
  restore_machine
  dpkg-query -W -f='${Package}\n' | sort >"$work/packages.before"
  installed=yes
  apt_install && dpkg --purge fqreplay ordo-server >"$work/apt.out" 2>&1
  left=$(ls -d "${ours[@]}" 2>/dev/null || true)
  [[ -z $left ]] && ! getent passwd fqreplay >/dev/null && ! getent passwd ordo-server >/dev/null \
    && pass "purge of an empty queue leaves nothing of ours, users included" || fail "after an empty purge: $left"
  restore_machine
  still=$(ls -d "${ours[@]}" 2>/dev/null || true)
  [[ -z $still ]] && ! dpkg-query -W fqreplay ordo-server >/dev/null 2>&1 && pass "the machine is as it was" \
    || fail "left behind: $still"
fi

echo "test-packages: $passes passed, $failures failed"
exit $((failures == 0 ? 0 : 1))
