// The factorization: the library against its reference build and OpenBLAS dgetrf on one thread
// (partial pivoting, column-major; a peer for time, not for bits) at n = 128 .. 1024. Rates
// count n^3 / 3 multiply-add pairs.
#include "bench_common.h"

extern "C" {
void openblas_set_num_threads(int);
void dgetrf_(const int *m, const int *n, double *a, const int *lda, int *ipiv, int *info);
}

namespace {

using bench::vec;

void factorization(benchmark::State &state, bench::entry_fn entry) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const vec a = bench::random_matrix(n, n, 11, true);
    vec r(static_cast<size_t>(n) * n);
    for (auto _ : state) {
        if (entry('f', a.data(), n, n, nullptr, 0, 0, r.data(), nullptr, nullptr) != MATRIX_OK) {
            state.SkipWithError("factorization failed");
            break;
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    const double d = n;
    bench::set_pair_rate(state, d * d * d / 3);
}

void library(benchmark::State &state) { factorization(state, matrix); }
void reference(benchmark::State &state) { factorization(state, dorvane_reference_matrix); }

void openblas(benchmark::State &state) {
    openblas_set_num_threads(1);
    const int n = static_cast<int>(state.range(0));
    const vec a = bench::random_matrix(n, n, 11, true);
    vec r(a.size());
    std::vector<int> pivots(static_cast<size_t>(n));
    for (auto _ : state) {
        state.PauseTiming();
        r = a;
        state.ResumeTiming();
        int info = 0;
        dgetrf_(&n, &n, r.data(), &n, pivots.data(), &info);
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    const double d = n;
    bench::set_pair_rate(state, d * d * d / 3);
}

}  // namespace

BENCHMARK(library)->Name("factorization/library")->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(reference)->Name("factorization/reference")->RangeMultiplier(2)->Range(128, 1024)
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(openblas)->Name("factorization/openblas_dgetrf")->RangeMultiplier(2)->Range(128, 1024)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
