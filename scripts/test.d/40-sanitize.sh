#!/usr/bin/env bash
# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (library, shared
# and test build, and every test program; any report stops the program), then the concurrency
# test built with ThreadSanitizer.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake g++ make libgtest-dev binutils libasan8 libubsan1 libtsan2

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=ON \
      -DDORVANE_SANITIZE=address,undefined
cmake --build build/sanitize -j"$DORVANE_JOBS"
./build/sanitize/dorvane_example > /dev/null
ctest --test-dir build/sanitize --output-on-failure -j"$DORVANE_JOBS"

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=ON \
      -DDORVANE_BUILD_EXAMPLES=OFF -DDORVANE_SANITIZE=thread
cmake --build build/tsan -j"$DORVANE_JOBS" --target dorvane_robust_thread_tests
./build/tsan/tests/robust/dorvane_robust_thread_tests
