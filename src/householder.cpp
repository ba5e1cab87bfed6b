// 'h': Householder reduction A = Q R.
//
// Two paths give the same bits. The literal one forms each reflector as a full m x m matrix
// with the product and the scaling and applies it through the product, all through the exported
// entry: it is the definition, and the only path of the reference build. The fast one skips the
// work whose result is known bit for bit while every value is finite:
//
// At step k the reflection vector v has v(i) = +0.0 for i < k, and f = -2/s is finite and
// negative (or -0.0). The outer product gives +0.0 + v(i) v(j) = +0.0 whenever i < k or j < k,
// the scaling f (+0.0) = -0.0 and the diagonal 1.0 + -0.0 = 1.0, so the reflector is
// [[I, -0.0], [-0.0, Hk]] with Hk = f (v(k:) v(k:)') + I exactly. A running sum that starts at
// +0.0 never becomes -0.0 under rounding to nearest, so with every element of R and P finite
// each term (-0.0) x = +-0.0 leaves it unchanged (Hk itself may hold anything). Hence:
//   rows i < k of H R:    +0.0 + R(i, j), that is R(i, j) with -0.0 turned into +0.0;
//   rows i >= k of H R:   Hk R(k:, :), each sum from +0.0 over l = k .. m-1 ascending;
//   columns j < k of P H: +0.0 + P(i, j);
//   columns j >= k of P H: P(:, k:) Hk, from +0.0 over l = k .. m-1 ascending.
// The remaining products go through kernels::multiply_add. When any value that enters a step is
// not finite (R, P, v, f), that step and every later one run on the literal path, which
// continues from a state identical bit for bit to the reference's.
#include <math.h>
#include <string.h>

#include "kernels.h"
#include "moves.h"
#include "operations.h"
#include "scratch.h"

namespace dorvane {
namespace {

// Fills v with this step's reflection vector from column k of the m x n matrix r (v(i) = +0.0
// for i < k) and returns s = v . v, summed over i = k .. m-1.
double reflection_vector(size_t m, size_t n, size_t k, const double *r, double *v) {
    for (size_t i = 0; i < k; ++i) {
        v[i] = 0.0;
    }
    double sigma = 0.0;
    for (size_t i = k; i < m; ++i) {
        sigma = r[i * n + k] * r[i * n + k] + sigma;
        v[i] = r[i * n + k];
    }
    const double alpha = sqrt(sigma);
    v[k] = alpha + v[k];
    double s = 0.0;
    for (size_t i = k; i < m; ++i) {
        s = v[i] * v[i] + s;
    }
    return s;
}

void set_identity(size_t m, double *h) {
    for (size_t i = 0; i < m * m; ++i) {
        h[i] = 0.0;
    }
    for (size_t i = 0; i < m; ++i) {
        h[i * m + i] = 1.0;
    }
}

// ---------------------------------------------------------------------------------------------
// The literal path: steps `first` .. n-1 exactly as defined, each reflector formed in full in h
// (result) and applied by nested products. On entry r holds R and, for first >= 1, p and h both
// hold the running product of the reflectors so far.
int32_t reduce_literal(size_t m, size_t n, size_t first, double *h, double *r, double *p, double *v) {
    const size_t mm = m * m;
    const uint32_t m32 = static_cast<uint32_t>(m);
    const uint32_t n32 = static_cast<uint32_t>(n);
    for (size_t k = first; k < n; ++k) {
        const double s = reflection_vector(m, n, k, r, v);
        if (is_zero(s)) {
            // The column already has the reduced form: this step's reflector is the identity.
            if (k == 0) {
                set_identity(m, h);
                copy_entries(p, h, mm);
            }
            continue;
        }
        matrix('*', v, m32, 1, v, 1, m32, h, nullptr, nullptr);
        double f = -2.0 / s;
        matrix('.', h, m32, m32, &f, 1, 1, h, nullptr, nullptr);
        for (size_t i = 0; i < m; ++i) {
            h[i * m + i] = 1.0 + h[i * m + i];
        }
        if (matrix('*', h, m32, m32, r, m32, n32, r, nullptr, nullptr) == MATRIX_NO_MEMORY) {
            return MATRIX_NO_MEMORY;
        }
        if (k >= 1 && matrix('*', p, m32, m32, h, m32, m32, h, nullptr, nullptr) == MATRIX_NO_MEMORY) {
            return MATRIX_NO_MEMORY;
        }
        copy_entries(p, h, mm);
    }
    return MATRIX_OK;
}

// ---------------------------------------------------------------------------------------------
// The fast path.

// True when rows x cols entries of x (row stride ld) are all finite.
bool all_finite(const double *x, size_t rows, size_t cols, size_t ld) {
    uint64_t special = 0;
    for (size_t i = 0; i < rows; ++i) {
        const double *row = x + i * ld;
        for (size_t j = 0; j < cols; ++j) {
            uint64_t u;
            memcpy(&u, &row[j], sizeof u);
            special |= static_cast<uint64_t>((~u & 0x7ff0000000000000ULL) == 0);
        }
    }
    return special == 0;
}

// x = +0.0 + x for rows x cols entries (row stride ld): -0.0 becomes +0.0.
void add_to_positive_zero(double *x, size_t rows, size_t cols, size_t ld) {
    for (size_t i = 0; i < rows; ++i) {
        double *row = x + i * ld;
        for (size_t j = 0; j < cols; ++j) {
            row[j] = 0.0 + row[j];
        }
    }
}

// Forms Hk = f (v(k:) v(k:)') + I, order mk = m - k, in hk (row stride mk) with exactly the
// operations of the outer product, the scaling and the diagonal update. Its entries need not be
// finite: the blocks that the fast path passes over are -0.0 whenever v and f are finite, and
// whatever Hk holds reaches R and P through the same products as on the literal path (a
// non-finite result sends the next step to the literal path).
void form_trailing_reflector(size_t mk, const double *vk, double f, double *hk) {
    for (size_t i = 0; i < mk; ++i) {
        double *row = hk + i * mk;
        const double vi = vk[i];
        for (size_t j = 0; j < mk; ++j) {
            const double outer = 0.0 + vi * vk[j];
            row[j] = f * outer;
        }
        row[i] = 1.0 + row[i];
    }
}

// c (rows x cols, row stride ldc) = +0.0, then c += a b by the product kernel.
void product_from_zero(size_t rows, size_t inner, size_t cols, const double *a, size_t lda, const double *b,
                       size_t ldb, double *c) {
    for (size_t i = 0; i < rows * cols; ++i) {
        c[i] = 0.0;
    }
    kernels::multiply_add(rows, inner, cols, a, lda, b, ldb, c, cols);
}

// Runs the steps on the fast path while every value is finite, then hands the remaining steps
// to the literal path. h (result) holds each step's Hk, p the running product, t is m x m
// scratch for the products.
int32_t reduce_fast(size_t m, size_t n, double *h, double *r, double *p, double *v, double *t) {
    const size_t mm = m * m;
    for (size_t k = 0; k < n; ++k) {
        const size_t mk = m - k;
        bool finite = all_finite(r, m, n, n) && (k == 0 || all_finite(p, m, m, m));
        double s = 0.0;
        if (finite) {
            s = reflection_vector(m, n, k, r, v);
            if (is_zero(s)) {
                if (k == 0) {
                    set_identity(m, p);
                }
                continue;
            }
        }
        const double f = -2.0 / s;
        finite = finite && all_finite(v + k, 1, mk, mk) && all_finite(&f, 1, 1, 1);
        if (!finite) {
            if (k >= 1) {
                copy_entries(h, p, mm);
            }
            return reduce_literal(m, n, k, h, r, p, v);
        }
        form_trailing_reflector(mk, v + k, f, h);
        // R: rows k.. become Hk R(k:, :); rows above keep their values, -0.0 turned into +0.0.
        product_from_zero(mk, mk, n, h, mk, r + k * n, n, t);
        copy_entries(r + k * n, t, mk * n);
        add_to_positive_zero(r, k, n, n);
        // P: columns k.. become P(:, k:) Hk; the columns before keep their values likewise.
        if (k == 0) {
            copy_entries(p, h, mm);
            continue;
        }
        product_from_zero(m, mk, mk, p + k, m, h, mk, t);
        for (size_t i = 0; i < m; ++i) {
            copy_entries(p + i * m + k, t + i * mk, mk);
        }
        add_to_positive_zero(p, m, k, m);
    }
    if (n != 0) {
        copy_entries(h, p, mm);
    }
    return MATRIX_OK;
}

bool straightforward_build() {
#if defined(DORVANE_REFERENCE_KERNELS)
    return true;
#else
    return false;
#endif
}

}  // namespace

int32_t householder(const call_args &args) {
    if (args.a == nullptr && args.b == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.result == nullptr || args.result2 == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    const operand op = args.b != nullptr ? operand{args.b, args.b_rows, args.b_cols}
                                         : operand{args.a, args.a_rows, args.a_cols};
    if (op.cols > op.rows) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const size_t m = op.rows;
    const size_t n = op.cols;
    scratch_buffer running;
    if (!running.allocate(m, m)) {
        return MATRIX_NO_MEMORY;
    }
    scratch_buffer vector;
    if (!vector.allocate(m, 1)) {
        return MATRIX_NO_MEMORY;
    }
    const bool fast = !straightforward_build() && n != 0;
    scratch_buffer products;
    if (fast && !products.allocate(m, m)) {
        return MATRIX_NO_MEMORY;
    }
    copy_entries(args.result2, op.data, m * n);
    if (fast) {
        return reduce_fast(m, n, args.result, args.result2, running.data(), vector.data(), products.data());
    }
    return reduce_literal(m, n, 0, args.result, args.result2, running.data(), vector.data());
}

}  // namespace dorvane
