// Partial pivoting ('v'), elimination ('t'), determinant ('d') and inverse ('i').
#include <string.h>

#include "kernels.h"
#include "moves.h"
#include "operations.h"
#include "scratch.h"

namespace dorvane {

namespace {

// |x| by clearing the sign bit. (mingw-w64's fabs for 32-bit x86 is x87 inline assembly, which
// would load every candidate into the x87 unit.)
double magnitude(double x) {
    uint64_t bits;
    memcpy(&bits, &x, sizeof bits);
    bits &= 0x7fffffffffffffffULL;
    memcpy(&x, &bits, sizeof x);
    return x;
}

}  // namespace

int pivot_rows(uint32_t col, double *mat, uint32_t mat_rows, uint32_t /*mat_cols*/,
               double *companion, uint32_t /*companion_rows*/, uint32_t companion_cols) {
    const size_t n = mat_rows;
    const size_t candidates = n - col;
    scratch_buffer column;
    if (!column.allocate(candidates, 1)) {
        return MATRIX_NO_MEMORY;
    }
    double *c = column.data();
    for (size_t t = 0; t < candidates; ++t) {
        c[t] = mat[(col + t) * n + col];
    }
    double best = magnitude(c[0]);
    size_t pivot = col;
    for (size_t t = 0; t < candidates; ++t) {
        if (magnitude(c[t]) > best) {
            best = magnitude(c[t]);
            pivot = col + t;
        }
    }
    if (pivot == col) {
        return 0;
    }
    exchange_entries(&mat[col * n], &mat[pivot * n], n);
    if (companion != nullptr && companion_cols != 0) {
        const size_t m = companion_cols;
        exchange_entries(&companion[col * m], &companion[pivot * m], m);
    }
    return 1;
}

namespace {

// Checks and copies shared by 'v' and 't'; afterwards all work happens in result and result2.
int32_t prepare_rows(const call_args &args) {
    if (args.a == nullptr || args.result == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.b != nullptr && args.result2 == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.a_rows != args.a_cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    if (args.b != nullptr && args.b_rows != args.a_rows) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const size_t n = args.a_rows;
    copy_entries(args.result, args.a, n * n);
    if (args.b != nullptr) {
        copy_entries(args.result2, args.b, n * args.b_cols);
    }
    return MATRIX_OK;
}

// One pivot step of 'v' or 't' on column col of result, companion included; counts the exchange.
// A step whose scratch copy is refused changes nothing and counts nothing: the caller stops there
// with MATRIX_NO_MEMORY, so result, result2 and *swaps hold the work of the steps before it.
int pivot_step(const call_args &args, uint32_t col) {
    const bool has_companion = args.b != nullptr;
    const int exchanged = pivot_rows(col, args.result, args.a_rows, args.a_cols,
                                     has_companion ? args.result2 : nullptr,
                                     has_companion ? args.b_rows : 0, has_companion ? args.b_cols : 0);
    if (exchanged != MATRIX_NO_MEMORY && args.swaps != nullptr) {
        *args.swaps += exchanged;
    }
    return exchanged;
}

}  // namespace

int32_t pivot(const call_args &args) {
    if (int32_t status = prepare_rows(args)) {
        return status;
    }
    for (uint32_t col = 0; col < args.a_rows; ++col) {
        if (pivot_step(args, col) == MATRIX_NO_MEMORY) {
            return MATRIX_NO_MEMORY;
        }
    }
    return MATRIX_OK;
}

int32_t triangularize(const call_args &args) {
    if (int32_t status = prepare_rows(args)) {
        return status;
    }
    const size_t n = args.a_rows;
    const size_t m = args.b != nullptr ? args.b_cols : 0;
    double *r = args.result;
    double *c = args.result2;
    for (size_t i = 0; i < n; ++i) {
        if (pivot_step(args, static_cast<uint32_t>(i)) == MATRIX_NO_MEMORY) {
            return MATRIX_NO_MEMORY;
        }
        const double p = r[i * n + i];
        if (is_zero(p)) {
            continue;
        }
        for (size_t k = i + 1; k < n; ++k) {
            const double f = -(r[k * n + i] / p);
            kernels::add_scaled_row(n - i, f, &r[i * n + i], &r[k * n + i]);
            if (m != 0) {
                kernels::add_scaled_row(m, f, &c[i * m], &c[k * m]);
            }
        }
    }
    return MATRIX_OK;
}

int32_t determinant(const call_args &args) {
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
    if (op.rows != op.cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const uint32_t n = op.rows;
    scratch_buffer triangle;
    if (!triangle.allocate(n, n)) {
        return MATRIX_NO_MEMORY;
    }
    int32_t exchanges = 0;
    const double *u = triangle.data();
    // An elimination cut short by a refused pivot step leaves no determinant: report it, write nothing.
    if (matrix('t', op.data, n, n, nullptr, 0, 0, triangle.data(), nullptr, &exchanges) == MATRIX_NO_MEMORY) {
        return MATRIX_NO_MEMORY;
    }
    args.result[0] = (exchanges & 1) != 0 ? -u[0] : u[0];
    for (size_t k = 1; k < n; ++k) {
        args.result[0] = args.result[0] * u[k * (n + 1)];
    }
    return MATRIX_OK;
}

int32_t invert(const call_args &args) {
    if (args.a == nullptr && args.b == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    if (args.result == nullptr) {
        return MATRIX_BAD_ARGUMENT;
    }
    const operand op = args.b != nullptr ? operand{args.b, args.b_rows, args.b_cols}
                                         : operand{args.a, args.a_rows, args.a_cols};
    if (op.rows != op.cols) {
        return MATRIX_SHAPE_MISMATCH;
    }
    const uint32_t n = op.rows;
    scratch_buffer work;
    if (!work.allocate(n, n)) {
        return MATRIX_NO_MEMORY;
    }
    double *u = work.data();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            u[i * n + j] = i == j ? 1.0 : 0.0;
        }
    }
    // A refused pivot step ends the inverse too; result keeps the partial elimination.
    if (matrix('t', op.data, n, n, u, n, n, args.result, u, nullptr) == MATRIX_NO_MEMORY) {
        return MATRIX_NO_MEMORY;
    }
    double *x = args.result;
    exchange_entries(x, u, static_cast<size_t>(n) * n);
    for (size_t c = 0; c < n; ++c) {
        for (size_t i = n; i-- > 0;) {
            double sum = 0.0;
            for (size_t j = i + 1; j < n; ++j) {
                sum = u[i * n + j] * x[j * n + c] + sum;
            }
            if (is_zero(u[i * n + i])) {
                return MATRIX_ZERO_DIVISOR;
            }
            x[i * n + c] = (x[i * n + c] - sum) / u[i * n + i];
        }
    }
    return MATRIX_OK;
}

}  // namespace dorvane
