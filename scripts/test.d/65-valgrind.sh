#!/usr/bin/env bash
# Valgrind memcheck over a representative part of the suite, on an optimized build with debug
# information: the behaviour tests, every scratch request refused in turn, threads at once, and
# the guard-page runs. Any error or leak fails the stage.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake g++ make libgtest-dev valgrind
cmake -S . -B build/valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=ON
cmake --build build/valgrind -j"$DORVANE_JOBS"
cd build/valgrind
export DORVANE_ROBUST_SMALL=1  # the robustness tables with their smaller shapes only
memcheck() {
  echo "--- valgrind $*"
  valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible "$@" \
    | { grep -E '^\[  (PASSED|FAILED)  \]|^\[ (sweep|threads|guard) ' || true; }
}
memcheck ./dorvane_example
memcheck ./tests/dorvane_api_tests
memcheck ./tests/dorvane_heap_tests
memcheck ./tests/robust/dorvane_robust_heap_tests
memcheck ./tests/robust/dorvane_robust_thread_tests
memcheck ./tests/robust/dorvane_robust_guard_tests
