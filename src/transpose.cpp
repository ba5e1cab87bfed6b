// 'x': transpose of a square matrix, in place or into another buffer.
#include "kernels.h"
#include "operations.h"

namespace dorvane {

int32_t transpose(const call_args &args) {
    if (args.a == nullptr && args.b == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.result == nullptr || (args.a != nullptr && args.b != nullptr)) {
        return MATRIX_BAD_ARGUMENT;
    }
    const operand m = args.a != nullptr ? operand{args.a, args.a_rows, args.a_cols}
                                        : operand{args.b, args.b_rows, args.b_cols};
    if (m.rows == 0 || m.cols == 0) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (m.rows != m.cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    if (args.result == m.data) {
        kernels::transpose_in_place(m.rows, args.result);
    } else {
        kernels::transpose_copy(m.rows, m.data, args.result);
    }
    return MATRIX_OK;
}

}  // namespace dorvane
