// '+', '-' and '.': element by element, in index order; the result may be written over an operand.
#include "kernels.h"
#include "operations.h"

namespace dorvane {
namespace {

int32_t check_two_operands(const call_args &args) {
    if (args.result == nullptr || args.a == nullptr || args.b == nullptr || args.a_rows == 0 ||
        args.a_cols == 0 || args.b_rows == 0 || args.b_cols == 0) {
        return MATRIX_BAD_ARGUMENT;
    }
    return MATRIX_OK;
}

size_t elements(uint32_t rows, uint32_t cols) {
    return static_cast<size_t>(rows) * cols;
}

// The entry stores the four counts one by one. Compared as 64-bit pairs, as a compiler may
// merge the comparisons of neighbouring fields, the loads would have to wait for those stores
// to reach the cache (a failed store-to-load forward costs more than a small sum). Reading the
// rows through an empty asm keeps every comparison 32 bits wide.
uint32_t unmerged(uint32_t count) {
#if defined(__GNUC__)
    __asm__("" : "+r"(count));
#endif
    return count;
}

bool same_shape(const call_args &args) {
    return args.b_rows == unmerged(args.a_rows) && args.b_cols == args.a_cols;
}

bool is_scalar(uint32_t rows, uint32_t cols) {
    return unmerged(rows) == 1 && cols == 1;
}

}  // namespace

int32_t add(const call_args &args) {
    if (int32_t status = check_two_operands(args)) {
        return status;
    }
    if (!same_shape(args)) {
        return MATRIX_SHAPE_MISMATCH;
    }
    kernels::add(elements(args.a_rows, args.a_cols), args.a, args.b, args.result);
    return MATRIX_OK;
}

int32_t subtract(const call_args &args) {
    if (int32_t status = check_two_operands(args)) {
        return status;
    }
    if (!same_shape(args)) {
        return MATRIX_SHAPE_MISMATCH;
    }
    kernels::subtract(elements(args.a_rows, args.a_cols), args.a, args.b, args.result);
    return MATRIX_OK;
}

int32_t scale(const call_args &args) {
    if (int32_t status = check_two_operands(args)) {
        return status;
    }
    const bool a_is_scalar = is_scalar(args.a_rows, args.a_cols);
    const bool b_is_scalar = is_scalar(args.b_rows, args.b_cols);
    if (b_is_scalar) {
        kernels::scale(elements(args.a_rows, args.a_cols), args.b[0], args.a, args.result);
    } else if (a_is_scalar) {
        kernels::scale(elements(args.b_rows, args.b_cols), args.a[0], args.b, args.result);
    } else {
        return MATRIX_SHAPE_MISMATCH;
    }
    return MATRIX_OK;
}

}  // namespace dorvane
