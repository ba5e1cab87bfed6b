// '*': the matrix product, through scratch space when the result is one of the operands.
#include "kernels.h"
#include "moves.h"
#include "operations.h"
#include "scratch.h"

namespace dorvane {

int32_t multiply(const call_args &args) {
    if (args.result == nullptr || args.a == nullptr || args.b == nullptr || args.a_rows == 0 ||
        args.a_cols == 0 || args.b_rows == 0 || args.b_cols == 0) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.b_rows != args.a_cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const size_t m = args.a_rows;
    const size_t n = args.a_cols;
    const size_t p = args.b_cols;
    if (args.result != args.a && args.result != args.b) {
        kernels::multiply(m, n, p, args.a, args.b, args.result);
        return MATRIX_OK;
    }
    scratch_buffer product;
    if (!product.allocate(m, p)) {
        return MATRIX_NO_MEMORY;
    }
    kernels::multiply(m, n, p, args.a, args.b, product.data());
    copy_entries(args.result, product.data(), m * p);
    return MATRIX_OK;
}

}  // namespace dorvane
