#!/usr/bin/env bash
# Crash durability at length: the end-to-end SIGKILL test of the test suite (30 kills there),
# run with 1,000 kills by default, ending with its lost, extra and corrupt counts.
#
#   bench/crash_kills.sh [KILLS [SEED]]
#
# It builds an optimised program and its end-to-end tests in build/crash (JOBS compile jobs,
# default all cores; needs what `make test` needs, tmux included: run `make deps` once), then
# runs CrashDurabilityTest with TAVIX_CRASH_KILLS=KILLS and, when given, TAVIX_CRASH_SEED=SEED
# to replay the plan of an earlier run (each run prints its seed). It prints a progress line
# every 100 kills and exits non-zero when anything was lost, extra or corrupt. 1,000 kills take
# about ten minutes on two cores.
#
#   lost     confirmed readings missing after a kill
#   extra    readings stored that nobody confirmed (beyond the one killed around its Enter),
#            and second copies
#   corrupt  kills after which the file failed PRAGMA integrity_check or could not be read,
#            and readings stored with other values than those typed
set -euo pipefail
cd "$(dirname "$0")/.."

kills=${1:-1000}
build=build/crash
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIX_BUILD_TESTS=ON >/dev/null
cmake --build "$build" --target tests_e2e --parallel "${JOBS:-$(nproc)}"
export TAVIX_CRASH_KILLS=$kills
if [[ $# -ge 2 ]]; then
    export TAVIX_CRASH_SEED=$2
fi
exec "$build/tests/tests_e2e" --gtest_filter='CrashDurabilityTest.*'
