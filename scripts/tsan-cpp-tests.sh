#!/usr/bin/env bash
# Builds the C++ unit tests with ThreadSanitizer in their own build directory
# and runs them. The first race or lock-order report ends the test program
# with a failing status, so any report fails the run.
#
# Usage: scripts/tsan-cpp-tests.sh [ctest arguments...]
#   e.g. scripts/tsan-cpp-tests.sh -R Stress
# QUORRA_TSAN_BUILD_DIR overrides the build directory (default
# build/tsan/<interpreter>). PYTHON chooses the interpreter that the call
# boundary tests embed (default python3); cmake, ninja and ctest are those of
# its virtual environment (see scripts/lib.sh).
# Without arguments, the tests that run threads against each other (the
# registry stress test and the shard lock's) then run QUORRA_TSAN_REPEAT more
# times (default 5), since each run sees other interleavings.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

use_venv "${PYTHON:-python3}"
build="${QUORRA_TSAN_BUILD_DIR:-$root/build/tsan/$TAG}"

# The test programs also run at build time, to list their tests.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"

# GCC 12 with -fsanitize=thread sees a null dereference in KeyedTable that its
# ordinary, ASan and clang builds do not (the slot is never null there); under
# TSan that one warning is shown but not fatal.
run_cpp_tests "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRA_BUILD_TESTS=ON -DQUORRA_SANITIZE=thread \
    -DQUORRA_WERROR=ON "-DCMAKE_CXX_FLAGS=-Wno-error=null-dereference" -- "$@"
if [ "$#" -eq 0 ]; then
    "$VENV_BIN/ctest" --test-dir "$build" --output-on-failure -R 'Stress|ShardLock' \
        --repeat until-fail:"${QUORRA_TSAN_REPEAT:-5}"
fi
