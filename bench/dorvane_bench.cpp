// Every operation of the library beside its reference build and the peers, at sizes 4 to 1024
// (the element-wise operations and the transpose up to 4096, past the last-level cache;
// Householder to 256). Rates are in GFLOP/s of the nominal operation counts below (for the
// transpose: G elements moved per second). Run through bench/run.sh.
#include <benchmark/benchmark.h>
#include <cblas.h>

#include <Eigen/Dense>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "dorvane.h"

extern "C" {
int32_t dorvane_reference_matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                                 const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                                 double *result2, int32_t *swaps);
void openblas_set_num_threads(int);
void dgetrf_(const int *m, const int *n, double *a, const int *lda, int *ipiv, int *info);
void dgetri_(const int *n, double *a, const int *lda, const int *ipiv, double *work, const int *lwork,
             int *info);
void dgeqrf_(const int *m, const int *n, double *a, const int *lda, double *tau, double *work,
             const int *lwork, int *info);
void dorgqr_(const int *m, const int *n, const int *k, double *a, const int *lda, const double *tau,
             double *work, const int *lwork, int *info);
}

void plain_add(std::size_t n, const double *a, const double *b, double *out);
void plain_subtract(std::size_t n, const double *a, const double *b, double *out);
void plain_scale(std::size_t n, double s, const double *x, double *out);

namespace {

using vec = std::vector<double>;
using entry_fn = int32_t (*)(int32_t, const double *, uint32_t, uint32_t, const double *, uint32_t, uint32_t,
                             double *, double *, int32_t *);
using RowMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
using ColMatrix = Eigen::MatrixXd;

vec random_matrix(size_t rows, size_t cols, uint64_t seed, bool dominant = false) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    vec m(rows * cols);
    for (double &x : m) {
        x = value(rng);
    }
    if (dominant) {
        for (size_t i = 0; i < rows && i < cols; ++i) {
            m[i * cols + i] += static_cast<double>(cols);
        }
    }
    return m;
}

void set_rate(benchmark::State &state, double flops) {
    state.counters["GFLOPS"] = benchmark::Counter(flops * 1e-9, benchmark::Counter::kIsIterationInvariantRate);
}

// The library (or its reference) through its entry.
void run_entry(benchmark::State &state, entry_fn entry, char op, size_t n) {
    const uint32_t d = static_cast<uint32_t>(n);
    const bool dominant = op == 't' || op == 'd' || op == 'i' || op == 'f';
    vec a = random_matrix(n, n, 1, dominant);
    vec b = random_matrix(n, n, 2);
    vec r(n * n);
    vec r2(n * n);
    double s = 0.75;
    const double nn = static_cast<double>(n) * n;
    const double n3 = nn * static_cast<double>(n);
    int32_t status = 0;
    for (auto _ : state) {
        switch (op) {
        case '+':
        case '-': status = entry(op, a.data(), d, d, b.data(), d, d, r.data(), nullptr, nullptr); break;
        case '.': status = entry(op, a.data(), d, d, &s, 1, 1, r.data(), nullptr, nullptr); break;
        case '*': status = entry(op, a.data(), d, d, b.data(), d, d, r.data(), nullptr, nullptr); break;
        case 'x': status = entry(op, a.data(), d, d, nullptr, 0, 0, r.data(), nullptr, nullptr); break;
        case 'X': status = entry('x', r.data(), d, d, nullptr, 0, 0, r.data(), nullptr, nullptr); break;
        case 'h': status = entry(op, a.data(), d, d, nullptr, 0, 0, r.data(), r2.data(), nullptr); break;
        default: status = entry(op, a.data(), d, d, nullptr, 0, 0, r.data(), nullptr, nullptr); break;
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    if (status != MATRIX_OK) {
        state.SkipWithError("status not MATRIX_OK");
    }
    switch (op) {
    case '*': set_rate(state, 2 * n3); break;
    case 't': case 'f': case 'd': set_rate(state, 2 * n3 / 3); break;
    case 'i': set_rate(state, 2 * n3); break;
    case 'h': set_rate(state, 8 * n3 / 3); break;
    case 'v': set_rate(state, nn); break;
    default: set_rate(state, nn); break;
    }
}

// The peers, one function per operation.
void run_plain(benchmark::State &state, char op, size_t n) {
    vec a = random_matrix(n, n, 1), b = random_matrix(n, n, 2), r(n * n);
    for (auto _ : state) {
        if (op == '+') plain_add(n * n, a.data(), b.data(), r.data());
        if (op == '-') plain_subtract(n * n, a.data(), b.data(), r.data());
        if (op == '.') plain_scale(n * n, 0.75, a.data(), r.data());
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    set_rate(state, static_cast<double>(n) * n);
}

void run_openblas(benchmark::State &state, char op, size_t n) {
    const int d = static_cast<int>(n);
    const bool dominant = op != '*' && op != 'x' && op != 'X';
    vec a = random_matrix(n, n, 1, dominant), b = random_matrix(n, n, 2), r(n * n), work;
    std::vector<int> pivots(n);
    int info = 0;
    const double nn = static_cast<double>(n) * n, n3 = nn * static_cast<double>(n);
    if (op == 'i' || op == 'h') {
        double query = 0;
        int lwork = -1;
        if (op == 'i') dgetri_(&d, r.data(), &d, pivots.data(), &query, &lwork, &info);
        if (op == 'h') dgeqrf_(&d, &d, r.data(), &d, b.data(), &query, &lwork, &info);
        work.resize(static_cast<size_t>(query) + n * 64);
    }
    const int lwork = static_cast<int>(work.size());
    for (auto _ : state) {
        switch (op) {
        case '*':
            cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, d, d, d, 1.0, a.data(), d, b.data(), d, 0.0,
                        r.data(), d);
            break;
        case 'x': cblas_domatcopy(CblasRowMajor, CblasTrans, d, d, 1.0, a.data(), d, r.data(), d); break;
        case 'X': cblas_dimatcopy(CblasRowMajor, CblasTrans, d, d, 1.0, r.data(), d, d); break;
        case 't':
        case 'f':
        case 'd':
            std::memcpy(r.data(), a.data(), n * n * sizeof(double));
            dgetrf_(&d, &d, r.data(), &d, pivots.data(), &info);
            break;
        case 'i':
            std::memcpy(r.data(), a.data(), n * n * sizeof(double));
            dgetrf_(&d, &d, r.data(), &d, pivots.data(), &info);
            dgetri_(&d, r.data(), &d, pivots.data(), work.data(), &lwork, &info);
            break;
        case 'h':
            std::memcpy(r.data(), a.data(), n * n * sizeof(double));
            dgeqrf_(&d, &d, r.data(), &d, b.data(), work.data(), &lwork, &info);
            dorgqr_(&d, &d, &d, r.data(), &d, b.data(), work.data(), &lwork, &info);
            break;
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    switch (op) {
    case '*': set_rate(state, 2 * n3); break;
    case 't': case 'f': case 'd': set_rate(state, 2 * n3 / 3); break;
    case 'i': set_rate(state, 2 * n3); break;
    case 'h': set_rate(state, 8 * n3 / 3); break;
    default: set_rate(state, nn); break;
    }
}

void run_eigen(benchmark::State &state, char op, size_t n) {
    const Eigen::Index d = static_cast<Eigen::Index>(n);
    const bool dominant = op != '*' && op != 'x' && op != '+' && op != '-' && op != '.';
    vec a0 = random_matrix(n, n, 1, dominant), b0 = random_matrix(n, n, 2);
    RowMatrix a = Eigen::Map<RowMatrix>(a0.data(), d, d), b = Eigen::Map<RowMatrix>(b0.data(), d, d), r(d, d);
    const double nn = static_cast<double>(n) * n, n3 = nn * static_cast<double>(n);
    double det = 0;
    for (auto _ : state) {
        switch (op) {
        case '+': r.noalias() = a + b; break;
        case '-': r.noalias() = a - b; break;
        case '.': r.noalias() = 0.75 * a; break;
        case '*': r.noalias() = a * b; break;
        case 'x': r.noalias() = a.transpose(); break;
        case 't': case 'f': {
            Eigen::PartialPivLU<RowMatrix> lu(a);
            benchmark::DoNotOptimize(lu.matrixLU().data());
            break;
        }
        case 'd': det = a.determinant(); benchmark::DoNotOptimize(det); break;
        case 'i': r.noalias() = a.inverse(); break;
        case 'h': {
            Eigen::HouseholderQR<RowMatrix> qr(a);
            r = qr.householderQ();
            break;
        }
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    switch (op) {
    case '*': set_rate(state, 2 * n3); break;
    case 't': case 'f': case 'd': set_rate(state, 2 * n3 / 3); break;
    case 'i': set_rate(state, 2 * n3); break;
    case 'h': set_rate(state, 8 * n3 / 3); break;
    default: set_rate(state, nn); break;
    }
}

struct operation {
    char op;
    const char *name;
    size_t largest;            // of the library and the peers
    size_t largest_reference;  // of the reference build
    bool openblas, eigen, plain;
};

// "X" stands for the in-place transpose here.
const operation kOperations[] = {
    {'*', "product", 1024, 512, true, true, false},
    {'+', "sum", 4096, 4096, false, true, true},
    {'-', "difference", 4096, 4096, false, true, true},
    {'.', "scaling", 4096, 4096, false, true, true},
    {'x', "transpose", 4096, 4096, true, true, false},
    {'X', "transpose_in_place", 4096, 4096, true, false, false},
    {'v', "pivoting", 1024, 1024, false, false, false},
    {'t', "triangularization", 1024, 512, true, true, false},
    {'d', "determinant", 1024, 512, true, true, false},
    {'i', "inverse", 1024, 256, true, true, false},
    {'f', "factorization", 1024, 512, true, true, false},
    {'h', "householder", 256, 64, true, true, false},
};

}  // namespace

int main(int argc, char **argv) {
    openblas_set_num_threads(1);
    Eigen::setNbThreads(1);
    for (const operation &o : kOperations) {
        for (size_t n = 4; n <= o.largest; n *= 2) {
            const std::string size = "/" + std::to_string(n);
            const std::string op = o.name;
            benchmark::RegisterBenchmark((op + "/dorvane" + size).c_str(),
                                         [o, n](benchmark::State &s) { run_entry(s, &matrix, o.op, n); });
            if (n <= o.largest_reference) {
                benchmark::RegisterBenchmark((op + "/reference" + size).c_str(), [o, n](benchmark::State &s) {
                    run_entry(s, &dorvane_reference_matrix, o.op, n);
                });
            }
            if (o.openblas) {
                benchmark::RegisterBenchmark((op + "/openblas" + size).c_str(),
                                             [o, n](benchmark::State &s) { run_openblas(s, o.op, n); });
            }
            if (o.eigen) {
                benchmark::RegisterBenchmark((op + "/eigen" + size).c_str(),
                                             [o, n](benchmark::State &s) { run_eigen(s, o.op, n); });
            }
            if (o.plain) {
                benchmark::RegisterBenchmark((op + "/plain_loop" + size).c_str(),
                                             [o, n](benchmark::State &s) { run_plain(s, o.op, n); });
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
