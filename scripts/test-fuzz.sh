#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) and runs each one for a
# bounded time from its seeds and the inputs that once crashed.
# Usage: scripts/test-fuzz.sh [build-dir]     ORDO_FUZZ_SECONDS: seconds per target (default 3)
#        ORDO_FUZZ_BUILD_TYPE: CMake build type (default Debug up to 30 seconds, else RelWithDebInfo)
# A crash leaves its input under <build-dir>/artifacts/: fix the fault, then keep the input in
# fuzz/regressions/<target>/ so every test run replays it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORDO_FUZZ_BUILD:-$here/build-fuzz}}
seconds=${ORDO_FUZZ_SECONDS:-3}

# No -Werror here: clang warns about things gcc does not, and the gcc build is the one that gates warnings.
# A few seconds a target is a smoke run: unoptimised, the build takes a third less time and every
# sanitizer check stays; a longer run is worth optimised code (ORDO_FUZZ_BUILD_TYPE overrides).
if ((seconds > 30)); then default_type=RelWithDebInfo; else default_type=Debug; fi
cmake -S "$here/fuzz" --preset fuzz -B "$build" -DORDO_FUZZ_SECONDS="$seconds" \
  -DCMAKE_BUILD_TYPE="${ORDO_FUZZ_BUILD_TYPE:-$default_type}" >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
# One target at a time: each fuzzer keeps a core busy for its whole run.
ctest --output-on-failure -j1 -L fuzz
