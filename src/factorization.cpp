// 'f': Doolittle factorization without pivoting, L and U packed into one buffer, no heap.
//
// Every element is R(j, k) = (A(j, k) - s) / U(k, k) below the diagonal and A(j, k) - s on and
// above it, with s the sum of R(j, i) R(i, k) from +0.0 over i < min(j, k) ascending. The
// straightforward loops compute it row by row; the blocked version computes the same sums a
// block of rows at a time: the terms over the rows finished before the block by the product
// kernel (kernels::multiply_add continues a sum held in memory exactly), the terms within the
// block by row updates, each sum still in ascending order. A block is built in a tile on the
// stack and copied into the result only when it is known what the straightforward loops would
// have written, so that a zero divisor leaves exactly their partial state.
#include "kernels.h"
#include "moves.h"
#include "operations.h"

namespace dorvane {
namespace {

// The straightforward loops for rows `first` .. n-1, rows before `first` complete in r.
int32_t factorize_rows(size_t n, size_t first, const double *a, double *r) {
    for (size_t j = first; j < n; ++j) {
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

// The stack tile of one block of rows: kTileEntries doubles, kRowsMax rows at most; narrower
// matrices get more rows, and more rows share each pass over the rows finished before them.
// Columns per product call, left of the block (where the terms within a call are added row by
// row, so fewer columns mean less of that work) and from the block on.
constexpr size_t kTileEntries = 16384;  // 128 KiB
constexpr size_t kRowsMax = 64;
constexpr size_t kLeftColumnsPerCall = 32;
constexpr size_t kColumnsPerCall = 256;

// Rows j0 .. j0+rows-1 of the result, all n columns, in the tile w (row stride n). Rows before j0
// are complete in r. The tile starts at +0.0 and every element holds its running sum s until it
// is finished.
class row_block {
public:
    row_block(size_t n, size_t j0, size_t rows, const double *a, const double *r, double *w)
        : n_(n), j0_(j0), rows_(rows), a_(a), r_(r), w_(w) {}

    // Columns [0, j0): the L part left of the block; every divisor there is known non-zero.
    void left_part() {
        for (size_t k0 = 0; k0 < j0_; k0 += kLeftColumnsPerCall) {
            const size_t k1 = k0 + kLeftColumnsPerCall < j0_ ? k0 + kLeftColumnsPerCall : j0_;
            earlier_rows_terms(rows_, k0, k1);
            for (size_t t = 0; t < rows_; ++t) {
                double *row = w_ + t * n_;
                const double *arow = a_ + (j0_ + t) * n_;
                for (size_t i = k0; i < k1; ++i) {
                    row[i] = (arow[i] - row[i]) / r_[i * n_ + i];
                    kernels::add_scaled_row(k1 - i - 1, row[i], r_ + i * n_ + i + 1, row + i + 1);
                }
            }
        }
    }

    // Columns [j0, j0 + width) with width >= rows: the block's own L part and the start of its U
    // part. Returns the number of rows finished; fewer than `rows` when row j0 + finished would
    // divide by the zero diagonal element of the row before it, whose columns [0, j0+finished-1)
    // are then finished too.
    size_t diagonal_part(size_t width) {
        const size_t c1 = j0_ + width;
        earlier_rows_terms(rows_, j0_, c1);
        for (size_t t = 0; t < rows_; ++t) {
            const size_t j = j0_ + t;
            double *row = w_ + t * n_;
            const double *arow = a_ + j * n_;
            for (size_t i = j0_; i < j; ++i) {
                const double *above = w_ + (i - j0_) * n_;
                if (is_zero(above[i])) {
                    return t;
                }
                row[i] = (arow[i] - row[i]) / above[i];
                kernels::add_scaled_row(c1 - i - 1, row[i], above + i + 1, row + i + 1);
            }
            for (size_t k = j; k < c1; ++k) {
                row[k] = arow[k] - row[k];
            }
        }
        return rows_;
    }

    // Columns [c0, n) of the first `rows` rows: U only.
    void right_part(size_t rows, size_t c0) {
        for (size_t k0 = c0; k0 < n_; k0 += kColumnsPerCall) {
            const size_t k1 = k0 + kColumnsPerCall < n_ ? k0 + kColumnsPerCall : n_;
            earlier_rows_terms(rows, k0, k1);
            for (size_t t = 0; t < rows; ++t) {
                double *row = w_ + t * n_;
                const double *arow = a_ + (j0_ + t) * n_;
                for (size_t i = j0_; i < j0_ + t; ++i) {
                    kernels::add_scaled_row(k1 - k0, row[i], w_ + (i - j0_) * n_ + k0, row + k0);
                }
                for (size_t k = k0; k < k1; ++k) {
                    row[k] = arow[k] - row[k];
                }
            }
        }
    }

private:
    // Adds the terms i < j0 (rows finished before the block) to columns [k0, k1) of the first
    // `rows` rows, or the terms i < k0 when the columns lie left of the block.
    void earlier_rows_terms(size_t rows, size_t k0, size_t k1) {
        const size_t depth = k0 < j0_ ? k0 : j0_;
        kernels::multiply_add(rows, depth, k1 - k0, w_, n_, r_ + k0, n_, w_ + k0, n_);
    }

    size_t n_;
    size_t j0_;
    size_t rows_;
    const double *a_;
    const double *r_;
    double *w_;
};

int32_t factorize_blocked(size_t n, const double *a, double *r) {
    size_t block = kTileEntries / n;
    block = block > kRowsMax ? kRowsMax : block;
    if (block == 0) {
        return factorize_rows(n, 0, a, r);
    }
    alignas(64) double w[kTileEntries];
    for (size_t j0 = 0; j0 < n; j0 += block) {
        if (j0 >= 1 && is_zero(r[(j0 - 1) * n + j0 - 1])) {
            return factorize_rows(n, j0, a, r);  // stops in row j0
        }
        const size_t rows = n - j0 < block ? n - j0 : block;
        for (size_t i = 0; i < rows * n; ++i) {
            w[i] = 0.0;
        }
        row_block b(n, j0, rows, a, r, w);
        b.left_part();
        const size_t width = n - j0 < kColumnsPerCall ? n - j0 : (rows > kColumnsPerCall ? rows : kColumnsPerCall);
        const size_t finished = b.diagonal_part(width);
        b.right_part(finished, j0 + width);
        copy_entries(r + j0 * n, w, finished * n);
        if (finished < rows) {
            // Row j0 + finished stops before its column j0 + finished - 1.
            copy_entries(r + (j0 + finished) * n, w + finished * n, j0 + finished - 1);
            return MATRIX_ZERO_DIVISOR;
        }
    }
    return MATRIX_OK;
}

// The reference build runs the straightforward loops only.
bool straightforward_build() {
#if defined(DORVANE_REFERENCE_KERNELS)
    return true;
#else
    return false;
#endif
}

}  // namespace

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
    if (straightforward_build()) {
        return factorize_rows(op.rows, 0, op.data, args.result);
    }
    return factorize_blocked(op.rows, op.data, args.result);
}

}  // namespace dorvane
