// The Householder reduction: the library against its reference build at m = n = 64, 128, 256
// (and a tall 512 x 128), and the product kernel's rate through '*' for comparison. The rate of
// 'h' counts the multiply-add pairs that remain after the known blocks are skipped,
// sum over steps k of (m - k)^2 (m + n), that is about (m + n)(m^3 - (m - n)^3) / 3.
#include "bench_common.h"

namespace {

using bench::vec;

double remaining_pairs(double m, double n) {
    double pairs = 0.0;
    for (double k = 0; k < n; ++k) {
        pairs += (m - k) * (m - k) * (k == 0 ? n : m + n);  // step 0: Q is the reflector itself
    }
    return pairs;
}

void reduction(benchmark::State &state, bench::entry_fn entry) {
    const auto m = static_cast<uint32_t>(state.range(0));
    const auto n = static_cast<uint32_t>(state.range(1));
    const vec a = bench::random_matrix(m, n, 7);
    vec q(static_cast<size_t>(m) * m), r(static_cast<size_t>(m) * n);
    for (auto _ : state) {
        if (entry('h', a.data(), m, n, nullptr, 0, 0, q.data(), r.data(), nullptr) != MATRIX_OK) {
            state.SkipWithError("reduction failed");
            break;
        }
        benchmark::DoNotOptimize(q.data());
        benchmark::ClobberMemory();
    }
    bench::set_pair_rate(state, remaining_pairs(m, n));
}

void library(benchmark::State &state) { reduction(state, matrix); }
void reference(benchmark::State &state) { reduction(state, dorvane_reference_matrix); }

// The product of two square matrices through the library: the kernel's rate at these sizes.
void product(benchmark::State &state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    const vec a = bench::random_matrix(n, n, 1), b = bench::random_matrix(n, n, 2);
    vec c(static_cast<size_t>(n) * n);
    for (auto _ : state) {
        matrix('*', a.data(), n, n, b.data(), n, n, c.data(), nullptr, nullptr);
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    bench::set_pair_rate(state, static_cast<double>(n) * n * n);
}

}  // namespace

BENCHMARK(library)->Name("householder/library")->Args({64, 64})->Args({128, 128})->Args({256, 256})
    ->Args({512, 128})->Unit(benchmark::kMillisecond);
BENCHMARK(reference)->Name("householder/reference")->Args({64, 64})->Args({128, 128})->Args({256, 256})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(product)->Name("product/library")->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
