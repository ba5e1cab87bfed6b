/*
 * dorvane: dense double-precision matrix arithmetic behind one C function.
 *
 *   int32_t matrix(op, a, a_rows, a_cols, b, b_rows, b_cols, result, result2, swaps);
 *
 * Matrices are contiguous row-major arrays of IEEE 754 doubles: element (i, j) of an r-by-c
 * matrix is at index i*c + j. Dimensions travel beside the buffer as unsigned 32-bit counts,
 * rows first. A scalar is a 1-by-1 matrix. Every buffer belongs to the caller; the library keeps
 * no state between calls and is safe to call from several threads at once on buffers that no
 * other call writes.
 *
 * Every call first stores 0 into *swaps (when swaps is not null), then selects the operation by
 * the low byte of op ("X", "T", "I", "D", "F", "V" and "H" are folded to lower case). Each
 * operation checks its pointers and dimensions before it writes anything; every
 * MATRIX_BAD_ARGUMENT check comes before every MATRIX_SHAPE_MISMATCH check.
 *
 * Results are bit for bit those of the documented sequence of IEEE double operations: each
 * product, sum, quotient and square root rounded to double, no fused multiply-add, sums starting
 * at +0.0 in ascending index order. An output may coincide with an input only as the very same
 * buffer, and only where the operation says so.
 *
 * Operations (op character: operands -> outputs; statuses besides MATRIX_OK):
 *
 *  '+' '-'  a (r x c), b (r x c) -> result (r x c) = a + b, a - b, element by element.
 *           result may be a, b or both.                       BAD_ARGUMENT, SHAPE_MISMATCH
 *  '.'      one of a, b is 1 x 1 (b is the scalar when both are) -> result shaped like the
 *           other operand, each element multiplied by the scalar. result may be the scaled
 *           operand.                                          BAD_ARGUMENT, SHAPE_MISMATCH
 *  '*'      a (m x n), b (n x p) -> result (m x p) = a * b, each element summed in ascending k
 *           from +0.0. result may be a and/or b (computed in scratch, then copied); a may be b.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH, NO_MEMORY
 *  'x'      exactly one of a, b, square n x n -> result (n x n) = transpose. result equal to
 *           the operand transposes in place; values move bit for bit.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH
 *  'v'      a (n x n), optional companion b (n x m, m may be 0) -> result (n x n) = a with rows
 *           reordered by partial pivoting, column by column; result2 (n x m) = b with the same
 *           exchanges; *swaps counts the exchanges. result may be a, result2 may be b; n may be 0.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH, NO_MEMORY
 *  't'      as 'v', plus Gaussian elimination below each non-zero pivot (factor -(x/p), then
 *           x + pivot_row * factor, applied to the companion too) -> result upper triangular
 *           (rounding residues below the diagonal are left), result2 = transformed companion.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH, NO_MEMORY
 *  'd'      exactly one of a, b, square n x n (n >= 1) -> result[0] = determinant (product of the
 *           diagonal after 't', sign from the exchange parity). result may be the operand.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH, NO_MEMORY
 *  'i'      b if given, else a; square n x n (n may be 0) -> result (n x n) = inverse, by 't' with
 *           an identity companion and back substitution. result may be the operand.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH,
 *                                                             ZERO_DIVISOR, NO_MEMORY
 *  'f'      exactly one of a, b, square n x n (n >= 1) -> result (n x n) = Doolittle L\U packed
 *           (unit lower L strictly below the diagonal, U on and above), no pivoting, no heap.
 *           result may be the operand.                        BAD_ARGUMENT, ZERO_LEADING,
 *                                                             SHAPE_MISMATCH, ZERO_DIVISOR
 *  'h'      b if given, else a; m x n with n <= m -> result (m x m) = Q, result2 (m x n) = R,
 *           A = Q * R by Householder reflections (rounding residues below the diagonal of R are
 *           kept). n = 0 is accepted and writes nothing. A step whose reflection vector is zero
 *           is skipped (its reflector is the identity). result2 may be the operand; result may
 *           be the operand when it has room for m*m values.
 *                                                             BAD_ARGUMENT, SHAPE_MISMATCH, NO_MEMORY
 *
 * Any other low byte of op returns MATRIX_UNKNOWN_OPERATION and touches nothing but *swaps.
 */
#ifndef DORVANE_H
#define DORVANE_H

#include <stdint.h>

#if defined(_WIN32) || defined(__CYGWIN__)
#  if defined(DORVANE_BUILDING_DLL)
#    define DORVANE_API __declspec(dllexport)
#  elif defined(DORVANE_STATIC)
#    define DORVANE_API
#  else
#    define DORVANE_API __declspec(dllimport)
#  endif
#  define DORVANE_CALL __cdecl
#else
#  if defined(DORVANE_BUILDING_DLL)
#    define DORVANE_API __attribute__((visibility("default")))
#  else
#    define DORVANE_API
#  endif
#  define DORVANE_CALL
#endif

#define MATRIX_OK 0                  /* the operation completed; its outputs are written */
#define MATRIX_ZERO_DIVISOR 2        /* a diagonal element to divide by is exactly zero */
#define MATRIX_ZERO_LEADING 4        /* element (0, 0) of the operand is exactly zero ('f') */
#define MATRIX_SHAPE_MISMATCH 8      /* the dimensions do not fit the operation */
#define MATRIX_BAD_ARGUMENT 12       /* a required pointer is null or a required count is 0 */
#define MATRIX_UNKNOWN_OPERATION 16  /* the low byte of op names no operation */
#define MATRIX_NO_MEMORY 24          /* a scratch buffer could not be obtained */

#ifdef __cplusplus
extern "C" {
#endif

DORVANE_API int32_t DORVANE_CALL matrix(int32_t op,
                                        const double *a, uint32_t a_rows, uint32_t a_cols,
                                        const double *b, uint32_t b_rows, uint32_t b_cols,
                                        double *result, double *result2, int32_t *swaps);

#ifdef __cplusplus
}
#endif

#endif /* DORVANE_H */
