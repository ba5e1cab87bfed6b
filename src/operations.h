// Internal interface between the exported entry and the operations.
#ifndef DORVANE_OPERATIONS_H
#define DORVANE_OPERATIONS_H

#include <stddef.h>
#include <stdint.h>

#include "dorvane.h"

namespace dorvane {

// The ten arguments of one call of `matrix`, minus the operation character.
struct call_args {
    const double *a;
    uint32_t a_rows;
    uint32_t a_cols;
    const double *b;
    uint32_t b_rows;
    uint32_t b_cols;
    double *result;
    double *result2;
    int32_t *swaps;
};

// A single operand as chosen by an operation's operand convention.
struct operand {
    const double *data;
    uint32_t rows;
    uint32_t cols;
};

int32_t add(const call_args &args);            // '+'
int32_t subtract(const call_args &args);       // '-'
int32_t scale(const call_args &args);          // '.'
int32_t multiply(const call_args &args);       // '*'
int32_t transpose(const call_args &args);      // 'x'
int32_t pivot(const call_args &args);          // 'v'
int32_t triangularize(const call_args &args);  // 't'
int32_t determinant(const call_args &args);    // 'd'
int32_t invert(const call_args &args);         // 'i'
int32_t factorize(const call_args &args);      // 'f'
int32_t householder(const call_args &args);    // 'h'

// Partial pivoting of one column of the order-n matrix `mat`: exchanges row `col` with the first
// row at or below it whose entry in column `col` has the largest magnitude, together with the
// same rows of the companion (when it is given and companion_cols is not 0). Returns 1 after an
// exchange, 0 when none was needed, MATRIX_NO_MEMORY (nothing changed) when its scratch copy of
// the candidates could not be obtained. mat_cols and companion_rows are not read.
int pivot_rows(uint32_t col, double *mat, uint32_t mat_rows, uint32_t mat_cols,
               double *companion, uint32_t companion_rows, uint32_t companion_cols);

// The exact-zero test: +0.0 and -0.0 are zero; subnormals, infinities and NaNs are not.
bool is_zero(double x);

}  // namespace dorvane

#endif
