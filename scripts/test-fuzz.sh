#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) and runs each one for a
# bounded time from its seeds and the inputs that once crashed.
# Usage: scripts/test-fuzz.sh [build-dir]     ORDO_FUZZ_SECONDS: seconds per target (default 3)
# A crash leaves its input under <build-dir>/artifacts/: fix the fault, then keep the input in
# fuzz/regressions/<target>/ so every test run replays it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${ORDO_FUZZ_BUILD:-$here/build-fuzz}}
seconds=${ORDO_FUZZ_SECONDS:-3}

# No -Werror here: clang warns about things gcc does not, and the gcc build is the one that gates warnings.
cmake -S "$here/fuzz" --preset fuzz -B "$build" -DORDO_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
# One target at a time: each fuzzer keeps a core busy for its whole run.
ctest --output-on-failure -j1 -L fuzz
