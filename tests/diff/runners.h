// The builds that the differential tests compare, behind one function type.
#ifndef DORVANE_DIFF_RUNNERS_H
#define DORVANE_DIFF_RUNNERS_H

#include "matrix_testing.h"
#include "variants.h"

// One call of `matrix` on a chosen build: the reference, the shipped library, or the fast build
// capped at a level (the level is ignored by the first two).
using runner = int32_t (*)(int level, int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                           const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                           double *result2, int32_t *swaps);

inline int32_t run_reference(int, int32_t op, const double *a, uint32_t ar, uint32_t ac, const double *b,
                             uint32_t br, uint32_t bc, double *r, double *r2, int32_t *s) {
    return dorvane_reference_matrix(op, a, ar, ac, b, br, bc, r, r2, s);
}

inline int32_t run_shipped(int, int32_t op, const double *a, uint32_t ar, uint32_t ac, const double *b,
                           uint32_t br, uint32_t bc, double *r, double *r2, int32_t *s) {
    return lib::matrix(op, a, ar, ac, b, br, bc, r, r2, s);
}

inline int32_t run_level(int level, int32_t op, const double *a, uint32_t ar, uint32_t ac, const double *b,
                         uint32_t br, uint32_t bc, double *r, double *r2, int32_t *s) {
    return dorvane_paths_matrix_at(level, op, a, ar, ac, b, br, bc, r, r2, s);
}

#endif
