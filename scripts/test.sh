#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, runs the whole CTest suite, builds and checks the Debian
# packages, runs the suites that start ordo-server again against a Firebird server, then the CTest suite under
# AddressSanitizer and UBSan, then each fuzz target for a few seconds.
set -euo pipefail
# Each stage says when it starts, so a slow run shows where its time went.
stage() { printf '== %s (at %dm%02ds)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }
trap 'stage "end, status $?"' EXIT
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORDO_TEST_BUILD:-$here/build}

"$here/scripts/setup.sh" "$build" -DORDO_WERROR=ON
# The window tests start their own Xvfb; everything else runs headless, as on an unattended shop machine.
unset DISPLAY
stage "the CTest suite"
(cd "$build" && ctest --output-on-failure --timeout 600 -j2)

stage "Debian packages"
"$here/scripts/test-packages.sh" "$build"
stage "end to end on a Firebird server over TCP"
"$here/scripts/test-firebird-server.sh" "$build"

stage "sanitizers (ASan + UBSan)"
ORDO_WERROR=ON "$here/scripts/test-sanitize.sh"
stage "fuzzing"
"$here/scripts/test-fuzz.sh"
if [[ -z "${ORDO_SKIP_WINDOWS:-}" ]]; then
  stage "Windows build under Wine"
  "$here/scripts/test-windows.sh"
fi
