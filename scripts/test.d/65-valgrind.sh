#!/usr/bin/env bash
# Valgrind memcheck over a representative part of the suite: the behaviour tests, every scratch
# request refused in turn, threads at once, and the guard-page runs. Any error or leak fails the
# stage. It uses the native stage's build tree (same configuration, so nothing is rebuilt when
# that stage ran first).
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake g++ make libgtest-dev valgrind
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=ON
cmake --build build/native -j"$DORVANE_JOBS" --target dorvane_example dorvane_api_tests dorvane_heap_tests \
  dorvane_robust_heap_tests dorvane_robust_thread_tests dorvane_robust_guard_tests
cd build/native
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
