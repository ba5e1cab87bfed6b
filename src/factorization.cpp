// 'f': Doolittle factorization without pivoting, L and U packed into one buffer, no heap.
#include "operations.h"

namespace dorvane {

int32_t factorize(const call_args &args) {
    if (args.a == nullptr && args.b == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.result == nullptr || (args.a != nullptr && args.b != nullptr)) {
        return MATRIX_BAD_ARGUMENT;
    }
    const operand op = args.a != nullptr ? operand{args.a, args.a_rows, args.a_cols}
                                         : operand{args.b, args.b_rows, args.b_cols};
    if (op.rows == 0 || op.cols == 0) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (is_zero(op.data[0])) {
        return MATRIX_ZERO_LEADING;
    }
    if (op.rows != op.cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const size_t n = op.rows;
    const double *a = op.data;
    double *r = args.result;
    for (size_t j = 0; j < n; ++j) {
        for (size_t k = 0; k < j; ++k) {
            double s = 0.0;
            for (size_t i = 0; i < k; ++i) {
                s = r[j * n + i] * r[i * n + k] + s;
            }
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
