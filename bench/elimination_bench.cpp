// Elimination ('t'), determinant ('d') and inverse ('i') of random n x n matrices: the library,
// its step-by-step reference build, and OpenBLAS on one thread (dgetrf for 't' and 'd', dgetrf
// followed by dgetri for 'i'). Every variant starts from the same operand each iteration; the
// OpenBLAS runs include the copy of the operand into their in-place buffer, as the library's
// runs include theirs. Run: dorvane_elimination_bench [--benchmark_filter=...].
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "dorvane.h"

extern "C" {
int32_t dorvane_reference_matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                                 const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                                 double *result2, int32_t *swaps);
void dgetrf_(const int *m, const int *n, double *a, const int *lda, int *ipiv, int *info);
void dgetri_(const int *n, double *a, const int *lda, const int *ipiv, double *work, const int *lwork,
             int *info);
void openblas_set_num_threads(int threads);
}

namespace {

using entry = int32_t (*)(int32_t, const double *, uint32_t, uint32_t, const double *, uint32_t, uint32_t,
                          double *, double *, int32_t *);

std::vector<double> operand(size_t n) {
    std::mt19937_64 rng(n);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> a(n * n);
    for (double &x : a) {
        x = value(rng);
    }
    return a;
}

void set_counters(benchmark::State &state, size_t n) {
    state.counters["n"] = static_cast<double>(n);
}

template <entry call>
void library_op(benchmark::State &state, char op) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::vector<double> a = operand(n);
    std::vector<double> result(n * n);
    for (auto _ : state) {
        const int32_t status = call(op, a.data(), static_cast<uint32_t>(n), static_cast<uint32_t>(n), nullptr, 0, 0,
                                    result.data(), nullptr, nullptr);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result.data());
    }
    set_counters(state, n);
}

int32_t shipped(int32_t op, const double *a, uint32_t ar, uint32_t ac, const double *b, uint32_t br, uint32_t bc,
                double *r, double *r2, int32_t *s) {
    return matrix(op, a, ar, ac, b, br, bc, r, r2, s);
}

void BM_Triangularize(benchmark::State &state) { library_op<shipped>(state, 't'); }
void BM_TriangularizeReference(benchmark::State &state) { library_op<dorvane_reference_matrix>(state, 't'); }
void BM_Determinant(benchmark::State &state) { library_op<shipped>(state, 'd'); }
void BM_Inverse(benchmark::State &state) { library_op<shipped>(state, 'i'); }
void BM_InverseReference(benchmark::State &state) { library_op<dorvane_reference_matrix>(state, 'i'); }

// The operand is transposed for the column-major routines; LU of the transpose costs the same.
void BM_OpenBlasGetrf(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> a = operand(static_cast<size_t>(n));
    std::vector<double> lu(a.size());
    std::vector<int> pivots(static_cast<size_t>(n));
    for (auto _ : state) {
        std::memcpy(lu.data(), a.data(), a.size() * sizeof(double));
        int info = 0;
        dgetrf_(&n, &n, lu.data(), &n, pivots.data(), &info);
        benchmark::DoNotOptimize(info);
        benchmark::DoNotOptimize(lu.data());
    }
    set_counters(state, static_cast<size_t>(n));
}

void BM_OpenBlasGetrfGetri(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> a = operand(static_cast<size_t>(n));
    std::vector<double> lu(a.size());
    std::vector<int> pivots(static_cast<size_t>(n));
    int lwork = -1;
    int info = 0;
    double size = 0;
    dgetri_(&n, lu.data(), &n, pivots.data(), &size, &lwork, &info);
    lwork = static_cast<int>(size);
    std::vector<double> work(static_cast<size_t>(lwork > 1 ? lwork : 1));
    for (auto _ : state) {
        std::memcpy(lu.data(), a.data(), a.size() * sizeof(double));
        dgetrf_(&n, &n, lu.data(), &n, pivots.data(), &info);
        dgetri_(&n, lu.data(), &n, pivots.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(info);
        benchmark::DoNotOptimize(lu.data());
    }
    set_counters(state, static_cast<size_t>(n));
}

void orders(benchmark::internal::Benchmark *b) {
    for (int n : {4, 8, 16, 32, 48, 64, 128, 256, 512, 1000, 1024}) {
        b->Arg(n);
    }
}

void reference_orders(benchmark::internal::Benchmark *b) {
    for (int n : {16, 64, 256, 1024}) {
        b->Arg(n);
    }
}

BENCHMARK(BM_Triangularize)->Apply(orders)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Determinant)->Apply(orders)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenBlasGetrf)->Apply(orders)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Inverse)->Apply(orders)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenBlasGetrfGetri)->Apply(orders)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TriangularizeReference)->Apply(reference_orders)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InverseReference)->Apply(reference_orders)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) {
    openblas_set_num_threads(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
