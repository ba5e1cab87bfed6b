// 'h': Householder reduction A = Q R. Each reflector is formed as a full m x m matrix with the
// product and the scaling, and applied through the product, all through the exported entry.
//
// A step whose reflection vector has v.v exactly zero (the column is already zero from the
// diagonal down, or its only non-zero element there is the diagonal one and it is negative, or
// the squares underflow) reflects nothing: it makes no nested call and leaves R as it is; at
// step 0, Q and the running product become the identity. Q is thus always the product of the
// reflections actually applied. When an in-place product cannot get its scratch memory, the
// reduction stops there with MATRIX_NO_MEMORY; the outputs hold the work done until then.
#include <math.h>

#include "moves.h"
#include "operations.h"
#include "scratch.h"

namespace dorvane {

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
    const uint32_t m = op.rows;
    const uint32_t n = op.cols;
    // Refused as well when m * m * 8 bytes does not fit size_t.
    scratch_buffer running;
    if (!running.allocate(m, m)) {
        return MATRIX_NO_MEMORY;
    }
    scratch_buffer vector;
    if (!vector.allocate(m, 1)) {
        return MATRIX_NO_MEMORY;
    }
    double *p = running.data();
    double *v = vector.data();
    double *h = args.result;
    double *r = args.result2;
    const size_t mm = static_cast<size_t>(m) * m;
    copy_entries(r, op.data, static_cast<size_t>(m) * n);

    for (size_t k = 0; k < n; ++k) {
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
        if (is_zero(s)) {
            // The column already has the reduced form: nothing to reflect.
            if (k == 0) {
                for (size_t i = 0; i < mm; ++i) {
                    h[i] = 0.0;
                }
                for (size_t i = 0; i < m; ++i) {
                    h[i * m + i] = 1.0;
                }
                copy_entries(p, h, mm);
            }
            continue;
        }
        matrix('*', v, m, 1, v, 1, m, h, nullptr, nullptr);
        double f = -2.0 / s;
        matrix('.', h, m, m, &f, 1, 1, h, nullptr, nullptr);
        for (size_t i = 0; i < m; ++i) {
            h[i * m + i] = 1.0 + h[i * m + i];
        }
        if (matrix('*', h, m, m, r, m, n, r, nullptr, nullptr) == MATRIX_NO_MEMORY) {
            return MATRIX_NO_MEMORY;
        }
        if (k >= 1 && matrix('*', p, m, m, h, m, m, h, nullptr, nullptr) == MATRIX_NO_MEMORY) {
            return MATRIX_NO_MEMORY;
        }
        copy_entries(p, h, mm);
    }
    return MATRIX_OK;
}

}  // namespace dorvane
