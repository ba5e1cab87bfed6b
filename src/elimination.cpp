// Partial pivoting ('v'), elimination ('t'), determinant ('d') and inverse ('i').
#include <math.h>

#include "kernels.h"
#include "moves.h"
#include "operations.h"
#include "scratch.h"

namespace dorvane {

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
    double best = fabs(c[0]);
    size_t pivot = col;
    for (size_t t = 0; t < candidates; ++t) {
        if (fabs(c[t]) > best) {
            best = fabs(c[t]);
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

// Blocked elimination. Columns are eliminated in panels of kPanel. Inside a panel each step runs
// as in the definition, except that a combination only reaches the panel's own columns at once:
// the columns right of the panel and the companion receive the panel's combinations later, in
// one pass per panel, each element in step order, with the same factors. So every element gets
// the same rounded updates x + u * f in the same order as when every combination is applied at
// once; the exchanges only move whole rows, whose pending updates move with them.
//
// The factor f = -(x / p) of row k at step s is kept implicitly: until the panel is finished,
// entry (k, s) keeps x, the value that the combination of step s finds there, and the pivot p
// stays at (s, s), so the factor is computed again, to the same bits, whenever it is needed.
// The residue x + p * f is stored when the panel is finished.
constexpr size_t kPanel = 32;     // steps per panel: the inner dimension of the delayed updates
// Rows whose factors are gathered at once, in a kRowTile x kPanel tile on the stack (32 KiB).
constexpr size_t kRowTile = 128;

class eliminator {
public:
    eliminator(double *r, size_t n, double *c, size_t m) : r_(r), n_(n), c_(c), m_(m) {}

    // Applies what the steps first .. last - 1 of a panel still owe, when their combinations have
    // reached columns first .. delayed - 1 only: columns delayed .. n - 1 and the companion of
    // every row below `first`, and the residues in the steps' own columns. The rows first + 1 ..
    // last - 1, pivot rows of later steps, come first and in step order; then the rows below
    // in tiles. used[s - first] tells whether step s had a non-zero pivot; the other steps
    // contribute nothing.
    void finish(size_t first, size_t last, size_t delayed, const bool *used) const {
        if (last <= first) {
            return;
        }
        double pivots[kPanel];
        size_t runs[kPanel][2];
        size_t run_count = 0;
        for (size_t s = first; s < last; ++s) {
            pivots[s - first] = r_[s * n_ + s];
            if (!used[s - first]) {
                continue;
            }
            if (run_count != 0 && runs[run_count - 1][1] == s) {
                runs[run_count - 1][1] = s + 1;
            } else {
                runs[run_count][0] = s;
                runs[run_count][1] = s + 1;
                ++run_count;
            }
        }
        const panel_runs steps{first, pivots, runs, run_count};
        double f[kRowTile * kPanel];
        // Pivot rows inside the panel: row i receives the steps before it, and is itself up to
        // date before any later row takes it as a pivot row.
        for (size_t i = first + 1; i < last; ++i) {
            size_t cut[kPanel][2];
            size_t cut_count = 0;
            for (size_t q = 0; q < run_count && runs[q][0] < i; ++q) {
                cut[q][0] = runs[q][0];
                cut[q][1] = runs[q][1] < i ? runs[q][1] : i;
                ++cut_count;
            }
            const panel_runs before{first, pivots, cut, cut_count};
            settle(i, 1, before, f);
            apply(i, 1, before, delayed, f);
        }
        for (size_t k0 = last; k0 < n_; k0 += kRowTile) {
            const size_t rows = n_ - k0 < kRowTile ? n_ - k0 : kRowTile;
            settle(k0, rows, steps, f);
            apply(k0, rows, steps, delayed, f);
        }
    }

private:
    // The runs of consecutive used steps of a panel, and the panel's pivots.
    struct panel_runs {
        size_t first;
        const double *pivots;
        const size_t (*runs)[2];
        size_t count;
    };

    // Factors of rows k0 .. k0 + rows - 1 into f (row stride kPanel, column s - first) and their
    // residues in the steps' own columns.
    void settle(size_t k0, size_t rows, const panel_runs &steps, double *f) const {
        for (size_t t = 0; t < rows; ++t) {
            double *row = &r_[(k0 + t) * n_];
            for (size_t q = 0; q < steps.count; ++q) {
                const size_t s = steps.runs[q][0];
                kernels::settle_factors(steps.runs[q][1] - s, &steps.pivots[s - steps.first], &row[s],
                                        &f[t * kPanel + (s - steps.first)]);
            }
        }
    }

    // The delayed combinations: columns `delayed` .. n - 1 and the whole companion of rows
    // k0 .. k0 + rows - 1, each run of steps one product update in ascending step order
    // (consecutive step ranges continue the same sums).
    void apply(size_t k0, size_t rows, const panel_runs &steps, size_t delayed, const double *f) const {
        for (size_t q = 0; q < steps.count; ++q) {
            const size_t s = steps.runs[q][0];
            const size_t e = steps.runs[q][1];
            const double *fs = &f[s - steps.first];
            if (delayed < n_) {
                kernels::multiply_add(rows, e - s, n_ - delayed, fs, kPanel, &r_[s * n_ + delayed], n_,
                                      &r_[k0 * n_ + delayed], n_);
            }
            if (m_ != 0) {
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
    const eliminator delayed_work(r, n, args.result2, m);
    bool used[kPanel];
    for (size_t first = 0; first < n; first += kPanel) {
        const size_t last = n - first < kPanel ? n : first + kPanel;
        for (size_t i = first; i < last; ++i) {
            if (pivot_step(args, static_cast<uint32_t>(i)) == MATRIX_NO_MEMORY) {
                // Leave exactly what the steps before this one have done.
                delayed_work.finish(first, i, last, used);
                return MATRIX_NO_MEMORY;
            }
            const double p = r[i * n + i];
            used[i - first] = !is_zero(p);
            if (!used[i - first] || i + 1 == last) {
                continue;
            }
            // Combinations within the panel; entry (k, i) keeps x for the factor.
            kernels::eliminate_below(n - i - 1, last - i, p, &r[i * n + i], &r[(i + 1) * n + i], n);
        }
        delayed_work.finish(first, last, last, used);
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
    if (matrix('t', op.data, n, n, u, n, n, args.result, u, nullptr) == MATRIX_NO_MEMORY) {
        return MATRIX_NO_MEMORY;
    }
    double *x = args.result;
    exchange_entries(x, u, static_cast<size_t>(n) * n);
    return back_substitute(u, x, n);
}

}  // namespace dorvane
