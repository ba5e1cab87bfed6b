#!/usr/bin/env bash
# Builds the benchmarks, runs them (one thread for every implementation, all in one run, each
# measurement repeated) and writes docs/benchmarks.md and docs/benchmarks.png.
#   bench/run.sh [extra Google Benchmark options, e.g. --benchmark_filter=product]
# DORVANE_BENCH_REPETITIONS (default 5) and DORVANE_BENCH_MIN_TIME (seconds, default 0.1)
# set the effort. The machine should be otherwise idle; on a shared one, compare the ratios
# of one run rather than absolute rates.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages cmake g++ make libbenchmark-dev libopenblas-dev libeigen3-dev python3 python3-matplotlib

tree=build/bench
cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_EXAMPLES=OFF \
  -DDORVANE_BUILD_BENCHMARKS=ON > /dev/null
cmake --build "$tree" -j"${DORVANE_JOBS:-2}" --target dorvane_bench

results="$tree/results.json"
OPENBLAS_NUM_THREADS=1 OMP_NUM_THREADS=1 "$tree/bench/dorvane_bench" \
  --benchmark_repetitions="${DORVANE_BENCH_REPETITIONS:-5}" \
  --benchmark_min_time="${DORVANE_BENCH_MIN_TIME:-0.1}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=false \
  --benchmark_format=console --benchmark_out_format=json --benchmark_out="$results" "$@" > "$tree/results.txt"
/usr/bin/python3 bench/report.py "$results" docs/benchmarks.md docs/benchmarks.png
echo "wrote docs/benchmarks.md and docs/benchmarks.png from $results"
