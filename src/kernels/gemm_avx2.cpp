// Matrix product kernels at the avx2 level.
#include "kernels/levels.h"

#if defined(DORVANE_X86)
namespace dorvane {
namespace kernels {
namespace avx2 {

// The blocked micro-kernel of this level takes these over; until then, the portable loops.
void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c) {
    portable::multiply(m, n, p, a, b, c);
}

void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b,
                  size_t ldb, double *c, size_t ldc) {
    portable::multiply_add(m, n, p, a, lda, b, ldb, c, ldc);
}

}  // namespace avx2
}  // namespace kernels
}  // namespace dorvane
#endif
