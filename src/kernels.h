// Arithmetic kernels on raw arrays. They know nothing of statuses or of the argument
// conventions; each computes exactly the documented sequence of rounded operations.
//
// Every kernel exists once per instruction-set level (namespaces portable, sse2, avx2, avx512
// below, declared in kernels/levels.h) and once as the plain name here, which picks the level per
// call from the CPU's features (kernels/dispatch.cpp). Faster levels only spread independent
// elements across SIMD lanes and reorder memory traffic (blocking, packing); each element still
// receives the same rounded operations, in the same order, as in the portable loops.
#ifndef DORVANE_KERNELS_H
#define DORVANE_KERNELS_H

#include <stddef.h>

namespace dorvane {
namespace kernels {

// Instruction-set levels, in increasing order: each level's CPU runs every level below it.
enum class isa : int { portable = 0, sse2 = 1, avx2 = 2, avx512 = 3 };

// The highest level that this CPU and operating system run, asked of the CPU on every call
// (the library caches nothing).
isa cpu_isa();

// The level that the kernels of this call use: cpu_isa(), except in the reference build, where
// it is always portable, and in the test build of every path, which may lower it.
isa active_isa();

#if defined(DORVANE_TEST_PATHS)
// Only in the test build of every path: the highest level that the calling thread may use.
isa test_path_cap();
#endif

// out[k] = a[k] + b[k] (resp. a[k] - b[k], s * x[k]) for k = 0 .. n-1 in order. out may be a
// and/or b (resp. x): each element is read before its own result is stored.
void add(size_t n, const double *a, const double *b, double *out);
void subtract(size_t n, const double *a, const double *b, double *out);
void scale(size_t n, double s, const double *x, double *out);

// c (m x p) = a (m x n) * b (n x p); element (i, j) summed from +0.0 over k = 0 .. n-1 in
// ascending order, each product and sum rounded. c must not overlap a or b.
void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c);

// The product's update step on strided views (row strides lda, ldb, ldc, in elements): for every
// element, c(i, j) = c(i, j) + a(i, k) * b(k, j) for k = 0 .. n-1 in ascending order, the
// product rounded, then the sum rounded. c holds the running sums on entry: a sum continued over
// several calls with consecutive k ranges gives the same bits as one call over the whole range,
// and a c of +0.0 gives the product. c must not overlap a or b.
void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b,
                  size_t ldb, double *c, size_t ldc);

// dst = transpose of the n x n matrix src (distinct buffers); transpose_in_place exchanges
// (i, k) with (k, i) for every k > i. Values move bit for bit.
void transpose_copy(size_t n, const double *src, double *dst);
void transpose_in_place(size_t n, double *m);

// dst[j] = dst[j] + src[j] * f for j = 0 .. n-1: the product rounded, then the sum rounded.
void add_scaled_row(size_t n, double f, const double *src, double *dst);

// One step of elimination on a block of rows below a pivot row, all of row stride ld: for every
// row t, f = -(below(t, 0) / p), then below(t, j) = below(t, j) + pivot[j] * f (the product
// rounded, then the sum) for j = 0 .. width-1, or for j = 1 .. width-1 when `keep` is set, which
// leaves column 0 holding the value that the factor came from.
void eliminate_below(size_t rows, size_t width, double p, const double *pivot, double *below, size_t ld,
                     bool keep);

// The factors of one row over consecutive steps: f[s] = -(x[s] / pivots[s]) for s = 0 ..
// count-1, the quotient rounded, then negated.
void row_factors(size_t count, const double *pivots, const double *x, double *f);

// The factors of one row over consecutive steps, and the residues they leave: for s = 0 ..
// count-1, f[s] = -(x[s] / pivots[s]) (the quotient rounded, then negated), then x[s] = x[s] +
// pivots[s] * f[s] (the product rounded, then the sum).
void settle_factors(size_t count, const double *pivots, double *x, double *f);

// Back substitution with the upper triangle of the n x n matrix u (row stride ldu) in every
// column of the n x p matrix x (row stride ldx), in place: for each column c and each row i from
// n-1 down to 0, sum = u(i, j) * x(j, c) + sum from +0.0 over j = i+1 .. n-1 ascending (the x(j, c)
// already solved), then x(i, c) = (x(i, c) - sum) / u(i, i). Nothing below the diagonal of u is
// read and no divisor is tested. x must not overlap u.
void solve_upper(size_t n, size_t p, const double *u, size_t ldu, double *x, size_t ldx);

}  // namespace kernels
}  // namespace dorvane

#endif
