// The exported entry: reset the exchange counter, fold the letter, dispatch.
#include <string.h>

#include "operations.h"

#if defined(__i386__) && defined(__GNUC__)
// Callers built by other compilers may arrive with a stack aligned to 4 bytes only.
#define DORVANE_REALIGN __attribute__((force_align_arg_pointer))
#else
#define DORVANE_REALIGN
#endif

namespace dorvane {

bool is_zero(double x) {
    uint64_t bits;
    memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7fffffffffffffffULL) == 0;
}

}  // namespace dorvane

extern "C" DORVANE_API DORVANE_REALIGN int32_t DORVANE_CALL
matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols, const double *b, uint32_t b_rows,
       uint32_t b_cols, double *result, double *result2, int32_t *swaps) {
    if (swaps != nullptr) {
        *swaps = 0;
    }
    const dorvane::call_args args = {a, a_rows, a_cols, b, b_rows, b_cols, result, result2, swaps};
    switch (static_cast<unsigned char>(op & 0xff)) {
    case '+': return dorvane::add(args);
    case '-': return dorvane::subtract(args);
    case '.': return dorvane::scale(args);
    case '*': return dorvane::multiply(args);
    case 'x': case 'X': return dorvane::transpose(args);
    case 'v': case 'V': return dorvane::pivot(args);
    case 't': case 'T': return dorvane::triangularize(args);
    case 'd': case 'D': return dorvane::determinant(args);
    case 'i': case 'I': return dorvane::invert(args);
    case 'f': case 'F': return dorvane::factorize(args);
    case 'h': case 'H': return dorvane::householder(args);
    default: return MATRIX_UNKNOWN_OPERATION;
    }
}
