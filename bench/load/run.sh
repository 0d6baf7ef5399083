#!/usr/bin/env bash
# The load run: builds optimised, then runs many fqreplay processes at once against one
# ordo-server and prints the time, the statements per second and the peak memory of the
# clients and the server for each round.
# Usage: bench/load/run.sh [build-dir]
#   ORDO_LOAD_PROCESSES (20)  ORDO_LOAD_FILES (200 per process)  ORDO_LOAD_ROUNDS (2)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build-load}

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORDO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target load_replay_test ordo-server fqreplay
# Bounded: the test kills any client still running after five minutes, and fails.
timeout 900 "$build/tests/load_replay_test" --gtest_color=no
