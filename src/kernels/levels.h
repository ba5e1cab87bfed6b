// The kernels of each instruction-set level, with the signatures of kernels.h. The portable
// level (kernels_portable.cpp) is the reference: straightforward loops that read like their
// definitions. The others exist only on x86 and are compiled for their level with target
// attributes, so the rest of the library stays at the baseline of its platform.
#ifndef DORVANE_KERNELS_LEVELS_H
#define DORVANE_KERNELS_LEVELS_H

#include <stddef.h>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define DORVANE_X86 1
#endif

#define DORVANE_KERNEL_LEVEL_DECLARATIONS                                                           \
    void add(size_t n, const double *a, const double *b, double *out);                             \
    void subtract(size_t n, const double *a, const double *b, double *out);                        \
    void scale(size_t n, double s, const double *x, double *out);                                  \
    void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c);      \
    void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b,  \
                      size_t ldb, double *c, size_t ldc);                                          \
    void add_scaled_row(size_t n, double f, const double *src, double *dst);                       \
    void eliminate_below(size_t rows, size_t width, double p, const double *pivot, double *below,     \
                         size_t ld, bool keep);                                                    \
    void row_factors(size_t count, const double *pivots, const double *x, double *f);             \
    void settle_factors(size_t count, const double *pivots, double *x, double *f);                 \
    void solve_upper(size_t n, size_t p, const double *u, size_t ldu, double *x, size_t ldx);

namespace dorvane {
namespace kernels {

namespace portable {
DORVANE_KERNEL_LEVEL_DECLARATIONS
void transpose_copy(size_t n, const double *src, double *dst);
void transpose_in_place(size_t n, double *m);
}

// Transposes move bits and do no arithmetic: one cache-blocked version with SSE2 moves serves
// the SSE2 and AVX2 levels (kernels/transpose.cpp), one with 8 x 8 register groups AVX-512.
namespace blocked {
void transpose_copy(size_t n, const double *src, double *dst);
void transpose_in_place(size_t n, double *m);
}

#if defined(DORVANE_X86) && !defined(DORVANE_REFERENCE_KERNELS)
namespace sse2 {
DORVANE_KERNEL_LEVEL_DECLARATIONS
}
namespace avx2 {
DORVANE_KERNEL_LEVEL_DECLARATIONS
}
namespace avx512 {
DORVANE_KERNEL_LEVEL_DECLARATIONS
void transpose_copy(size_t n, const double *src, double *dst);
void transpose_in_place(size_t n, double *m);
}
#endif

}  // namespace kernels
}  // namespace dorvane

#endif
