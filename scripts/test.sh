#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, and runs the whole CTest suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORDO_TEST_BUILD:-$here/build}

"$here/scripts/setup.sh" "$build" -DORDO_WERROR=ON
cd "$build"
# The window tests start their own Xvfb; everything else runs headless, as on an unattended shop machine.
unset DISPLAY
ctest --output-on-failure --timeout 600 -j2
