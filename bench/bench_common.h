// Shared pieces of the benchmarks: random operands and the reference build's entry.
#ifndef DORVANE_BENCH_COMMON_H
#define DORVANE_BENCH_COMMON_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "dorvane.h"

extern "C" int32_t dorvane_reference_matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                                            const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                                            double *result2, int32_t *swaps);

namespace bench {

using vec = std::vector<double>;
using entry_fn = int32_t (*)(int32_t, const double *, uint32_t, uint32_t, const double *, uint32_t, uint32_t,
                             double *, double *, int32_t *);

// Values in [-1, 1); with `dominant`, n added to the diagonal of the square part.
inline vec random_matrix(size_t rows, size_t cols, uint64_t seed, bool dominant = false) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    vec m(rows * cols);
    for (double &x : m) {
        x = value(rng);
    }
    for (size_t i = 0; dominant && i < rows && i < cols; ++i) {
        m[i * cols + i] += static_cast<double>(cols);
    }
    return m;
}

// Multiply-add pairs per second, in G.
inline void set_pair_rate(benchmark::State &state, double pairs) {
    state.counters["Gpairs/s"] = benchmark::Counter(pairs * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace bench

#endif
