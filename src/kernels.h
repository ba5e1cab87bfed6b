// Arithmetic kernels on raw arrays. They know nothing of statuses or of the argument
// conventions; each computes exactly the documented sequence of rounded operations.
#ifndef DORVANE_KERNELS_H
#define DORVANE_KERNELS_H

#include <stddef.h>

namespace dorvane {
namespace kernels {

// out[k] = a[k] + b[k] (resp. a[k] - b[k], s * x[k]) for k = 0 .. n-1 in order. out may be a
// and/or b (resp. x): each element is read before its own result is stored.
void add(size_t n, const double *a, const double *b, double *out);
void subtract(size_t n, const double *a, const double *b, double *out);
void scale(size_t n, double s, const double *x, double *out);

// c (m x p) = a (m x n) * b (n x p); element (i, j) summed from +0.0 over k = 0 .. n-1 in
// ascending order, each product and sum rounded. c must not overlap a or b.
void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c);

// dst = transpose of the n x n matrix src (distinct buffers); transpose_in_place exchanges
// (i, k) with (k, i) for every k > i. Values move bit for bit.
void transpose_copy(size_t n, const double *src, double *dst);
void transpose_in_place(size_t n, double *m);

// dst[j] = dst[j] + src[j] * f for j = 0 .. n-1: the product rounded, then the sum rounded.
void add_scaled_row(size_t n, double f, const double *src, double *dst);

}  // namespace kernels
}  // namespace dorvane

#endif
