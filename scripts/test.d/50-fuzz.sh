#!/usr/bin/env bash
# libFuzzer on `matrix` (fuzz/matrix_fuzzer.cpp) under ASan and UBSan for a bounded time, starting
# from the committed seed corpus (copied, so the run's new inputs stay in the build tree).
# DORVANE_FUZZ_SECONDS sets the time (default 60). A finding leaves its input in build/fuzz/.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake make clang libclang-rt-14-dev
seconds="${DORVANE_FUZZ_SECONDS:-60}"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=OFF \
      -DDORVANE_BUILD_EXAMPLES=OFF -DDORVANE_BUILD_FUZZERS=ON
cmake --build build/fuzz -j"$DORVANE_JOBS" --target dorvane_fuzz
rm -rf build/fuzz/work
mkdir -p build/fuzz/work
cp fuzz/corpus/* build/fuzz/work/
log=build/fuzz/last-run.log
status=0
./build/fuzz/fuzz/dorvane_fuzz -max_total_time="$seconds" -max_len=256 -timeout=10 -print_final_stats=1 \
  -artifact_prefix=build/fuzz/ build/fuzz/work > "$log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 60 "$log"
  echo "fuzzer found a failure (exit $status); the input is in build/fuzz/"
  exit "$status"
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
grep -E '^Done ' "$log"
echo "fuzzer: $runs executions in $seconds s, corpus $(ls fuzz/corpus | wc -l) seeds -> $(ls build/fuzz/work | wc -l) inputs"
