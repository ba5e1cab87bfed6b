// 'f': Doolittle factorization without pivoting, L and U packed into one buffer, no heap.
#include "operations.h"

namespace dorvane {

int32_t factorize(const call_args &args) {
    if (args.a == nullptr && args.b == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.result == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.a != nullptr && args.b != nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.a != nullptr && (args.a_rows == 0 || args.a_cols == 0)) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.b != nullptr && (args.b_rows == 0 || args.b_cols == 0)) {
        return MATRIX_BAD_ARGUMENT;
    }
    // The leading-element test comes before the shape test, so it applies to any shape.
    const operand op = args.a != nullptr ? operand{args.a, args.a_rows, args.a_cols}
                                         : operand{args.b, args.b_rows, args.b_cols};
    if (is_zero(op.data[0])) {
        return MATRIX_ZERO_LEADING;
    }
    if (op.rows != op.cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const size_t n = op.rows;
    const double *a = op.data;
    double *r = args.result;
    // Row by row: the multipliers of L left of the diagonal, then U from the diagonal on. Each
    // operand element is read just before its own result element is written, and every result
    // element read was written earlier, so result may be the operand's buffer.
    for (size_t j = 0; j < n; ++j) {
        for (size_t k = 0; k < j; ++k) {
            double s = 0.0;
            for (size_t i = 0; i < k; ++i) {
                s = r[j * n + i] * r[i * n + k] + s;
            }
            // Only U(0..n-2) are ever divisors; U(n-1, n-1) is never tested.
            if (is_zero(r[k * n + k])) {
                return MATRIX_ZERO_DIVISOR;
            }
            r[j * n + k] = (a[j * n + k] - s) / r[k * n + k];
        }
        for (size_t k = j; k < n; ++k) {
            double s = 0.0;
            for (size_t i = 0; i < j; ++i) {
                s = r[j * n + i] * r[i * n + k] + s;
            }
            r[j * n + k] = a[j * n + k] - s;
        }
    }
    return MATRIX_OK;
}

}  // namespace dorvane
