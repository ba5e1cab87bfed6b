// The test-only builds of the library that the differential tests compare (see
// cmake/DorvaneKernels.cmake): each has the signature of `matrix`.
#ifndef DORVANE_DIFF_VARIANTS_H
#define DORVANE_DIFF_VARIANTS_H

#include <stdint.h>

extern "C" {

// The straightforward definition of every operation (portable kernels only).
int32_t dorvane_reference_matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                                 const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                                 double *result2, int32_t *swaps);

// The fast library with its kernels capped at `level` (0 portable, 1 SSE2, 2 AVX2, 3 AVX-512),
// nested calls included; levels above the CPU's run at the CPU's.
int32_t dorvane_paths_matrix_at(int32_t level, int32_t op, const double *a, uint32_t a_rows,
                                uint32_t a_cols, const double *b, uint32_t b_rows, uint32_t b_cols,
                                double *result, double *result2, int32_t *swaps);

// The highest level this CPU runs.
int32_t dorvane_paths_cpu_level(void);
}

#endif
