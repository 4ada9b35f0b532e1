#!/usr/bin/env bash
# Builds the C++ unit tests with ThreadSanitizer in their own build directory
# and runs them. The first race or lock-order report ends the test program
# with a failing status, so any report fails the run.
#
# Usage: scripts/tsan-cpp-tests.sh [ctest arguments...]
#   e.g. scripts/tsan-cpp-tests.sh -R Stress
# QUORRA_TSAN_BUILD_DIR overrides the build directory (default build/tsan).
# Without arguments, the tests that run threads against each other (the
# registry stress test and the shard lock's) then run QUORRA_TSAN_REPEAT more
# times (default 5), since each run sees other interleavings.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORRA_TSAN_BUILD_DIR:-$root/build/tsan}"

# The test programs also run at build time, to list their tests.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"

cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORRA_BUILD_TESTS=ON \
    -DQUORRA_SANITIZE=thread \
    -DQUORRA_WERROR=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure "$@"
if [ "$#" -eq 0 ]; then
    ctest --test-dir "$build" --output-on-failure -R 'Stress|ShardLock' \
        --repeat until-fail:"${QUORRA_TSAN_REPEAT:-5}"
fi
