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

namespace {

#if defined(DORVANE_REFERENCE_KERNELS)
// The reference build eliminates step by step, each combination at once, exactly as defined:
// the blocked elimination is tested against it.
int32_t eliminate(const call_args &args) {
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

// Back substitution column by column, testing each divisor where it is used.
int32_t back_substitute(const double *u, double *x, size_t n) {
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
#else

// Blocked elimination. Columns are eliminated in panels of kPanel steps, each panel in strips
// of kStrip steps. Inside a strip each step runs as in the definition, except that its
// combinations reach only the strip's own columns at once; the rest of the panel receives a
// strip's combinations when the strip is done, and the columns right of the panel and the
// companion receive the panel's combinations when the panel is done: each element in step
// order, with the same factors. So every element gets the same rounded updates x + u * f in the
// same order as when every combination is applied at once; the exchanges move whole rows, whose
// pending updates move with them, since they depend only on the row's own factors and on pivot
// rows that no longer change.
//
// The factor f = -(x / p) of row k at step s is kept implicitly: until the panel is done, entry
// (k, s) keeps x, the value that the combination of step s finds there, and the pivot p stays at
// (s, s), so the factor is computed again, to the same bits, whenever it is needed. The residue
// x + p * f replaces x when the panel is done.
constexpr size_t kPanel = 64;   // steps per panel: the inner dimension of the large delayed updates
constexpr size_t kStrip = 16;   // steps per strip inside a panel
// Steps left without companion that are eliminated at once, without delayed updates.
constexpr size_t kDirect = 64;
// Rows whose factors are gathered at once, in a kRowTile x kPanel tile on the stack (32 KiB).
constexpr size_t kRowTile = 64;

// Runs of consecutive steps with a non-zero pivot, and the pivots of a range of steps.
struct step_runs {
    size_t first;                // the first step of the range
    double pivots[kPanel];       // pivot of step first + t
    size_t bounds[kPanel][2];    // [begin, end) of each run
    size_t count = 0;

    step_runs(const double *r, size_t n, size_t from, size_t to, const bool *used) : first(from) {
        for (size_t s = from; s < to; ++s) {
            pivots[s - from] = r[s * n + s];
            if (!used[s - from]) {
                continue;
            }
            if (count != 0 && bounds[count - 1][1] == s) {
                bounds[count - 1][1] = s + 1;
            } else {
                bounds[count][0] = s;
                bounds[count][1] = s + 1;
                ++count;
            }
        }
    }

    // The same runs cut before step `end`.
    step_runs before(size_t end) const {
        step_runs cut(*this);
        cut.count = 0;
        for (size_t q = 0; q < count && bounds[q][0] < end; ++q) {
            cut.bounds[q][1] = bounds[q][1] < end ? bounds[q][1] : end;
            ++cut.count;
        }
        return cut;
    }
};

class eliminator {
public:
    eliminator(double *r, size_t n, double *c, size_t m) : r_(r), n_(n), c_(c), m_(m) {}

    // What the steps first .. last - 1 still owe to columns from .. to - 1, and to the companion
    // and the residues in the steps' own columns when `settle` is set. used[s - first] tells
    // whether step s had a non-zero pivot; the other steps contribute nothing. The rows first + 1
    // .. last - 1, pivot rows of later steps, come first and in step order, each up to date before
    // a later row takes it as pivot row; then the rows below, in tiles.
    void apply(size_t first, size_t last, size_t from, size_t to, bool settle, const bool *used) const {
        if (last <= first || (from >= to && !settle)) {
            return;
        }
        const step_runs steps(r_, n_, first, last, used);
        double f[kRowTile * kPanel];
        for (size_t i = first + 1; i < last; ++i) {
            const step_runs owed = steps.before(i);
            factors(i, 1, owed, settle, f);
            combine(i, 1, owed, from, to, settle, f);
        }
        for (size_t k0 = last; k0 < n_; k0 += kRowTile) {
            const size_t rows = n_ - k0 < kRowTile ? n_ - k0 : kRowTile;
            factors(k0, rows, steps, settle, f);
            combine(k0, rows, steps, from, to, settle, f);
        }
    }

private:
    // Factors of rows k0 .. k0 + rows - 1 into f (row stride kPanel, column s - first), with
    // their residues in the steps' own columns when `settle` is set.
    void factors(size_t k0, size_t rows, const step_runs &steps, bool settle, double *f) const {
        for (size_t t = 0; t < rows; ++t) {
            double *row = &r_[(k0 + t) * n_];
            for (size_t q = 0; q < steps.count; ++q) {
                const size_t s = steps.bounds[q][0];
                const size_t count = steps.bounds[q][1] - s;
                double *fs = &f[t * kPanel + (s - steps.first)];
                if (settle) {
                    kernels::settle_factors(count, &steps.pivots[s - steps.first], &row[s], fs);
                } else {
                    kernels::row_factors(count, &steps.pivots[s - steps.first], &row[s], fs);
                }
            }
        }
    }

    // The delayed combinations of rows k0 .. k0 + rows - 1, each run of steps one product update
    // in ascending step order (consecutive step ranges continue the same sums).
    void combine(size_t k0, size_t rows, const step_runs &steps, size_t from, size_t to, bool companion,
                 const double *f) const {
        for (size_t q = 0; q < steps.count; ++q) {
            const size_t s = steps.bounds[q][0];
            const size_t e = steps.bounds[q][1];
            const double *fs = &f[s - steps.first];
            if (from < to) {
                kernels::multiply_add(rows, e - s, to - from, fs, kPanel, &r_[s * n_ + from], n_,
                                      &r_[k0 * n_ + from], n_);
            }
            if (companion && m_ != 0) {
                kernels::multiply_add(rows, e - s, m_, fs, kPanel, &c_[s * m_], m_, &c_[k0 * m_], m_);
            }
        }
    }

    double *r_;
    size_t n_;
    double *c_;
    size_t m_;
};

int32_t eliminate(const call_args &args) {
    const size_t n = args.a_rows;
    const size_t m = args.b != nullptr ? args.b_cols : 0;
    double *r = args.result;
    const eliminator delayed(r, n, args.result2, m);
    bool used[kPanel];
    for (size_t first = 0; first < n; first += kPanel) {
        if (m == 0 && n - first <= kDirect) {
            // A small rest without companion: every combination at once.
            for (size_t i = first; i < n; ++i) {
                if (pivot_step(args, static_cast<uint32_t>(i)) == MATRIX_NO_MEMORY) {
                    return MATRIX_NO_MEMORY;
                }
                const double p = r[i * n + i];
                if (!is_zero(p) && i + 1 < n) {
                    kernels::eliminate_below(n - i - 1, n - i, p, &r[i * n + i], &r[(i + 1) * n + i], n, false);
                }
            }
            return MATRIX_OK;
        }
        const size_t last = n - first < kPanel ? n : first + kPanel;
        for (size_t strip = first; strip < last; strip += kStrip) {
            const size_t end = last - strip < kStrip ? last : strip + kStrip;
            for (size_t i = strip; i < end; ++i) {
                if (pivot_step(args, static_cast<uint32_t>(i)) == MATRIX_NO_MEMORY) {
                    // Leave exactly what the steps before this one have done.
                    delayed.apply(strip, i, end, last, false, &used[strip - first]);
                    delayed.apply(first, i, last, n, true, used);
                    return MATRIX_NO_MEMORY;
                }
                const double p = r[i * n + i];
                used[i - first] = !is_zero(p);
                if (used[i - first] && i + 1 < end) {
                    // Combinations within the strip; entry (k, i) keeps x for the factor.
                    kernels::eliminate_below(n - i - 1, end - i, p, &r[i * n + i], &r[(i + 1) * n + i], n, true);
                }
            }
            delayed.apply(strip, end, end, last, false, &used[strip - first]);
        }
        delayed.apply(first, last, last, n, true, used);
    }
    return MATRIX_OK;
}

// Back substitution of all columns at once. The zero test depends on U alone, so it is made
// first: the column-by-column solution would stop while solving column 0, at the last row whose
// divisor is zero, after solving the rows below it in that column; that much is done, and no more.
int32_t back_substitute(const double *u, double *x, size_t n) {
    for (size_t i = n; i-- > 0;) {
        if (is_zero(u[i * n + i])) {
            kernels::solve_upper(n - 1 - i, 1, &u[(i + 1) * (n + 1)], n, &x[(i + 1) * n], n);
            return MATRIX_ZERO_DIVISOR;
        }
    }
    kernels::solve_upper(n, n, u, n, x, n);
    return MATRIX_OK;
}
#endif

}  // namespace

int32_t triangularize(const call_args &args) {
    if (int32_t status = prepare_rows(args)) {
        return status;
    }
    return eliminate(args);
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
    return back_substitute(u, x, n);
}

}  // namespace dorvane
