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
// The remaining products go through the product kernels. When any value that enters a step is
// not finite (R, P, v, f), that step and every later one run on the literal path, which
// continues from a state identical bit for bit to the reference's.
#include <math.h>

#include "kernels.h"
#include "moves.h"
#include "operations.h"
#include "scratch.h"

namespace dorvane {
namespace {

// Fills v with this step's reflection vector from column k of the m-row matrix r (row stride ld;
// v(i) = +0.0 for i < k) and returns s = v . v, summed over i = k .. m-1.
double reflection_vector(size_t m, size_t k, const double *r, size_t ld, double *v) {
    for (size_t i = 0; i < k; ++i) {
        v[i] = 0.0;
    }
    double sigma = 0.0;
    for (size_t i = k; i < m; ++i) {
        sigma = r[i * ld + k] * r[i * ld + k] + sigma;
        v[i] = r[i * ld + k];
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
        const double s = reflection_vector(m, k, r, n, v);
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
//
// R and the transpose of P sit side by side in one m x (n + m) matrix W = [R | P'], so that one
// product per step updates both: since Hk is symmetric bit for bit (v(i) v(j) = v(j) v(i)),
// column j of P(:, k:) Hk is row j of Hk P'(k:, :), with the same products in the same order.
// Rows k.. of W become Hk W(k:, :), computed from +0.0 by the product kernel into the other of
// two buffers; rows before k keep their values (-0.0 turned into +0.0) and are copied across
// once, when they stop changing.

// True when rows x cols entries of x (row stride ld) are all finite: x - x is +0.0 for a finite
// x and NaN otherwise, and a sum of such terms is +0.0 exactly when all of them are. Eight
// independent sums let the compiler use vector lanes.
bool all_finite(const double *x, size_t rows, size_t cols, size_t ld) {
    double sums[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    for (size_t i = 0; i < rows; ++i) {
        const double *row = x + i * ld;
        size_t j = 0;
        for (; j + 8 <= cols; j += 8) {
            for (size_t l = 0; l < 8; ++l) {
                sums[l] = sums[l] + (row[j + l] - row[j + l]);
            }
        }
        for (; j < cols; ++j) {
            sums[0] = sums[0] + (row[j] - row[j]);
        }
    }
    double total = 0.0;
    for (size_t l = 0; l < 8; ++l) {
        total = total + sums[l];
    }
    return total == 0.0;
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

class fast_reduction {
public:
    fast_reduction(size_t m, size_t n, double *h, double *r, double *v, double *w0, double *w1)
        : m_(m), n_(n), width_(n + m), h_(h), r_(r), v_(v), current_(w0), other_(w1) {}

    int32_t run(const double *operand) {
        for (size_t i = 0; i < m_; ++i) {
            copy_entries(current_ + i * width_, operand + i * n_, n_);
        }
        bool finite = all_finite(current_, m_, n_, width_);
        for (size_t k = 0; k < n_; ++k) {
            double s = 0.0;
            if (finite) {
                s = reflection_vector(m_, k, current_, width_, v_);
                if (is_zero(s)) {
                    if (k == 0) {
                        set_transposed_identity();
                    }
                    continue;
                }
            }
            const size_t mk = m_ - k;
            const double f = -2.0 / s;
            if (!finite || !all_finite(v_ + k, 1, mk, mk) || !all_finite(&f, 1, 1, 1)) {
                return hand_over(k);
            }
            form_trailing_reflector(mk, v_ + k, f, h_);
            freeze_rows_before(k);
            if (k == 0) {
                // R becomes H R; P is the reflector itself.
                for (size_t i = 0; i < m_; ++i) {
                    double *row = other_ + i * width_;
                    for (size_t j = 0; j < n_; ++j) {
                        row[j] = 0.0;
                    }
                    copy_entries(row + n_, h_ + i * m_, m_);
                }
                kernels::multiply_add(m_, m_, n_, h_, m_, current_, width_, other_, width_);
            } else {
                kernels::multiply(mk, mk, width_, h_, current_ + k * width_, other_ + k * width_);
            }
            finite = all_finite(other_ + k * width_, mk, width_, width_);
            double *const swap = current_;
            current_ = other_;
            other_ = swap;
        }
        if (n_ != 0) {
            unpack(h_);
        }
        return MATRIX_OK;
    }

private:
    void set_transposed_identity() {
        for (size_t i = 0; i < m_; ++i) {
            double *row = current_ + i * width_ + n_;
            for (size_t j = 0; j < m_; ++j) {
                row[j] = 0.0;
            }
            row[i] = 1.0;
        }
    }

    // Rows [frozen_, k) take +0.0 + their value and are copied into the other buffer, where the
    // next product leaves them alone.
    void freeze_rows_before(size_t k) {
        for (; frozen_ < k; ++frozen_) {
            double *row = current_ + frozen_ * width_;
            for (size_t j = 0; j < width_; ++j) {
                row[j] = 0.0 + row[j];
            }
            copy_entries(other_ + frozen_ * width_, row, width_);
        }
    }

    // R into r, P (the transpose of the right part of W) into q.
    void unpack(double *q) {
        for (size_t i = 0; i < m_; ++i) {
            copy_entries(r_ + i * n_, current_ + i * width_, n_);
        }
        for (size_t i = 0; i < m_; ++i) {
            for (size_t j = 0; j < m_; ++j) {
                copy_entries(&q[j * m_ + i], &current_[i * width_ + n_ + j], 1);
            }
        }
    }

    // Steps k.. on the literal path, from the same state: R in r, and from step 1 on the running
    // product both in result and in P (the other buffer, now free).
    int32_t hand_over(size_t k) {
        double *p = other_;
        if (k >= 1) {
            unpack(h_);
            copy_entries(p, h_, m_ * m_);
        } else {
            for (size_t i = 0; i < m_; ++i) {
                copy_entries(r_ + i * n_, current_ + i * width_, n_);
            }
        }
        return reduce_literal(m_, n_, k, h_, r_, p, v_);
    }

    size_t m_;
    size_t n_;
    size_t width_;
    double *h_;
    double *r_;
    double *v_;
    double *current_;
    double *other_;
    size_t frozen_ = 0;
};

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
    const bool fast = !straightforward_build() && n != 0;
    scratch_buffer running;
    scratch_buffer vector;
    if (fast) {
        // The fast path's two buffers of m x (n + m); the literal path's P fits in either.
        scratch_buffer spare;
        if (!running.allocate(m, static_cast<uint64_t>(m) + n) || !vector.allocate(m, 1) ||
            !spare.allocate(m, static_cast<uint64_t>(m) + n)) {
            return MATRIX_NO_MEMORY;
        }
        fast_reduction reduction(m, n, args.result, args.result2, vector.data(), running.data(), spare.data());
        return reduction.run(op.data);
    }
    if (!running.allocate(m, m) || !vector.allocate(m, 1)) {
        return MATRIX_NO_MEMORY;
    }
    copy_entries(args.result2, op.data, m * n);
    return reduce_literal(m, n, 0, args.result, args.result2, running.data(), vector.data());
}

}  // namespace dorvane
