#!/usr/bin/env bash
# Builds the C++ unit tests with ThreadSanitizer in their own build directory
# and runs them. The first race or lock-order report ends the test program
# with a failing status, so any report fails the run.
#
# Usage: scripts/tsan-cpp-tests.sh [ctest arguments...]
#   e.g. scripts/tsan-cpp-tests.sh -R Stress
# QUORRA_TSAN_BUILD_DIR overrides the build directory (default build/tsan).
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
