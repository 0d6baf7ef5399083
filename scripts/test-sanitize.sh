#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UBSan and runs it, except the slow and load cases.
# Usage: scripts/test-sanitize.sh [build-dir]      (default: build-asan beside this folder)
# ORDO_SANITIZE_LABELS_EXCLUDE overrides the CTest label filter (a regular expression); ORDO_WERROR=ON
# builds with warnings as errors (scripts/test.sh sets it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORDO_ASAN_BUILD:-$here/build-asan}}
exclude=${ORDO_SANITIZE_LABELS_EXCLUDE:-slow|load}

cmake -S "$here" --preset asan -B "$build" -DORDO_WERROR="${ORDO_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)"

# The options of the asan test preset; the environment's own take their place.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_stack_use_after_return=0:strict_string_checks=1:check_initialization_order=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/cmake/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Every case counts the first time: the socket cases whose outcome hung on how the bytes of a fast sender
# fell into reads, or on a deadline, run over a scripted connection and a manual clock.
cd "$build"
ctest --output-on-failure --timeout 300 -j"$(nproc)" -LE "$exclude"
