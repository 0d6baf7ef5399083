#!/usr/bin/env bash
# The Windows build: cross-compiles fqreplay.exe and the Windows unit tests with MinGW-w64, runs
# the tests under Wine in a Korean session (code page 949), then lets fqreplay.exe under Wine
# replay a small queue against ordo-server on this machine.
# Usage: scripts/test-windows.sh [cross-build-dir]   (default: build-win beside this folder)
#   ORDO_TEST_BUILD   the Linux build that provides ordo-server and the smoke test (default: build)
#   ORDO_WINDOWS_SMOKE=0 leaves the end-to-end smoke out.
# Exits 0 with a message, running nothing, only when the needed packages cannot be installed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-win}
linux_build=${ORDO_TEST_BUILD:-$here/build}
jobs=$(nproc)

packages=(g++-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine64 xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "test-windows: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  if ! { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
    echo "test-windows: SKIPPED: the packages ${missing[*]} cannot be installed here" >&2
    exit 0
  fi
fi
wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)

# Warnings are not errors here: GCC 12 for MinGW reported false overlaps (-Wrestrict) in inlined
# string code of the portable sources at -O3, which the Linux build does not (the -O2 build has none).
cmake -S "$here" --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j"$jobs"
echo "test-windows: $(du -h "$build/bin/fqreplay.exe" | cut -f1) fqreplay.exe, linked statically:" \
  "$(x86_64-w64-mingw32-objdump -p "$build/bin/fqreplay.exe" | awk '/DLL Name/ {printf "%s ", $3}')"

# Wine in a prefix of its own, a Korean session, and a display for the windows.
# Wine takes its code page from LANG; the Linux side needs no Korean locale for that.
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" ORDO_EXPECT_ACP=949
korean=(env LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8)
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  "${korean[@]}" "$wine" wineboot --init >/dev/null 2>&1 || true
fi
# A new prefix goes on setting itself up after wineboot returns; windows made meanwhile can fail.
"$(dirname "$wine")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true

run_in_display() {
  xvfb-run -a -s "-screen 0 1280x1024x24" "${korean[@]}" "$@"
}

status=0
(cd "$build" && run_in_display ctest --output-on-failure --timeout 300 -j"$jobs") || status=$?

if [[ ${ORDO_WINDOWS_SMOKE:-1} != 0 ]]; then
  cmake -S "$here" -B "$linux_build" >/dev/null
  cmake --build "$linux_build" -j"$jobs" --target ordo-server wine_replay_smoke_test
  unset GTEST_FILTER
  ORDO_FQREPLAY_EXE=$build/bin/fqreplay.exe ORDO_WINE=$wine \
    run_in_display "$linux_build/tests/wine_replay_smoke_test" || status=$?
fi
exit $status
