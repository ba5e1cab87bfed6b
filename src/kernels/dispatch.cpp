// Picks the instruction-set level of every kernel call from the CPU's features, asked per call:
// no dispatch pointer or other state of the library's own.
#include "kernels.h"
#include "kernels/levels.h"

namespace dorvane {
namespace kernels {

isa cpu_isa() {
#if defined(DORVANE_X86) && defined(__GNUC__)
    // The compiler runtime's feature table, filled by its constructor when the library is loaded
    // (before any call can arrive); it also checks that the operating system saves the wider
    // registers. Were it still empty, every feature reads as absent and the portable level runs.
#if defined(_WIN32)
    // The DLL runs no start-up code of the C runtime, so no constructor fills the table: fill it
    // here (after the first call this only reads that it is filled).
    __builtin_cpu_init();
#endif
    if (__builtin_cpu_supports("avx512f")) {
        return isa::avx512;
    }
    if (__builtin_cpu_supports("avx2")) {
        return isa::avx2;
    }
    if (__builtin_cpu_supports("sse2")) {
        return isa::sse2;
    }
#endif
    return isa::portable;
}

isa active_isa() {
#if defined(DORVANE_REFERENCE_KERNELS)
    return isa::portable;
#else
    isa level = cpu_isa();
#if defined(DORVANE_TEST_PATHS)
    const isa cap = test_path_cap();
    if (cap < level) {
        level = cap;
    }
#endif
    return level;
#endif
}

// The level for element-wise work too short to repay asking the CPU: the baseline of the build.
inline isa small_isa() {
#if defined(DORVANE_REFERENCE_KERNELS) || !defined(DORVANE_X86)
    return isa::portable;
#elif defined(DORVANE_TEST_PATHS)
    return test_path_cap() < isa::sse2 ? test_path_cap() : isa::sse2;
#else
    return isa::sse2;
#endif
}

// Element-wise calls below this many elements run at small_isa().
constexpr size_t kSmall = 64;

// Calls the kernel `name` of the active level. Levels without their own version of a kernel
// forward to the next lower one inside their files.
#if defined(DORVANE_X86) && !defined(DORVANE_REFERENCE_KERNELS)
#define DORVANE_DISPATCH(name, ...) DORVANE_DISPATCH_AT(active_isa(), name, __VA_ARGS__)
#define DORVANE_DISPATCH_AT(level, name, ...)                                                      \
    switch (level) {                                                                        \
    case isa::avx512: return avx512::name(__VA_ARGS__);                                            \
    case isa::avx2: return avx2::name(__VA_ARGS__);                                                \
    case isa::sse2: return sse2::name(__VA_ARGS__);                                                \
    case isa::portable: break;                                                                     \
    }                                                                                              \
    return portable::name(__VA_ARGS__)
#else
#define DORVANE_DISPATCH(name, ...) return portable::name(__VA_ARGS__)
#define DORVANE_DISPATCH_AT(level, name, ...) return portable::name(__VA_ARGS__)
#endif

void add(size_t n, const double *a, const double *b, double *out) {
    DORVANE_DISPATCH_AT(n < kSmall ? small_isa() : active_isa(), add, n, a, b, out);
}

void subtract(size_t n, const double *a, const double *b, double *out) {
    DORVANE_DISPATCH_AT(n < kSmall ? small_isa() : active_isa(), subtract, n, a, b, out);
}

void scale(size_t n, double s, const double *x, double *out) {
    DORVANE_DISPATCH_AT(n < kSmall ? small_isa() : active_isa(), scale, n, s, x, out);
}

void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c) {
    DORVANE_DISPATCH(multiply, m, n, p, a, b, c);
}

void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b,
                  size_t ldb, double *c, size_t ldc) {
    DORVANE_DISPATCH(multiply_add, m, n, p, a, lda, b, ldb, c, ldc);
}

// Transposes of fewer rows than this (out of place, in place) gain nothing from blocks and
// register groups: the plain loops run, without asking the CPU.
constexpr size_t kSmallTranspose = 8;
constexpr size_t kSmallTransposeInPlace = 32;

void transpose_copy(size_t n, const double *src, double *dst) {
#if defined(DORVANE_REFERENCE_KERNELS)
    return portable::transpose_copy(n, src, dst);
#else
    if (n < kSmallTranspose) {
        return portable::transpose_copy(n, src, dst);
    }
    switch (active_isa()) {
    case isa::avx512: return avx512::transpose_copy(n, src, dst);
    case isa::avx2:
    case isa::sse2: return blocked::transpose_copy(n, src, dst);
    case isa::portable: break;
    }
    return portable::transpose_copy(n, src, dst);
#endif
}

void transpose_in_place(size_t n, double *m) {
#if defined(DORVANE_REFERENCE_KERNELS)
    return portable::transpose_in_place(n, m);
#else
    if (n < kSmallTransposeInPlace) {
        return portable::transpose_in_place(n, m);
    }
    switch (active_isa()) {
    case isa::avx512: return avx512::transpose_in_place(n, m);
    case isa::avx2:
    case isa::sse2: return blocked::transpose_in_place(n, m);
    case isa::portable: break;
    }
    return portable::transpose_in_place(n, m);
#endif
}

void add_scaled_row(size_t n, double f, const double *src, double *dst) {
    DORVANE_DISPATCH(add_scaled_row, n, f, src, dst);
}

void eliminate_below(size_t rows, size_t width, double p, const double *pivot, double *below, size_t ld,
                     bool keep) {
    DORVANE_DISPATCH(eliminate_below, rows, width, p, pivot, below, ld, keep);
}

void row_factors(size_t count, const double *pivots, const double *x, double *f) {
    DORVANE_DISPATCH(row_factors, count, pivots, x, f);
}

void settle_factors(size_t count, const double *pivots, double *x, double *f) {
    DORVANE_DISPATCH(settle_factors, count, pivots, x, f);
}

void solve_upper(size_t n, size_t p, const double *u, size_t ldu, double *x, size_t ldx) {
    DORVANE_DISPATCH(solve_upper, n, p, u, ldu, x, ldx);
}

}  // namespace kernels
}  // namespace dorvane
