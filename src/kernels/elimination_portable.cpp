// The elimination and back-substitution kernels as straightforward loops: the reference for
// their faster levels, and the level used where no other one runs.
#include "kernels/levels.h"

namespace dorvane {
namespace kernels {
namespace portable {

void eliminate_below(size_t rows, size_t width, double p, const double *pivot, double *below, size_t ld,
                     bool keep) {
    for (size_t t = 0; t < rows; ++t) {
        double *row = &below[t * ld];
        const double f = -(row[0] / p);
        for (size_t j = keep ? 1 : 0; j < width; ++j) {
            row[j] = row[j] + pivot[j] * f;
        }
    }
}

void row_factors(size_t count, const double *pivots, const double *x, double *f) {
    for (size_t s = 0; s < count; ++s) {
        f[s] = -(x[s] / pivots[s]);
    }
}

void settle_factors(size_t count, const double *pivots, double *x, double *f) {
    for (size_t s = 0; s < count; ++s) {
        f[s] = -(x[s] / pivots[s]);
        x[s] = x[s] + pivots[s] * f[s];
    }
}

void solve_upper(size_t n, size_t p, const double *u, size_t ldu, double *x, size_t ldx) {
    for (size_t c = 0; c < p; ++c) {
        for (size_t i = n; i-- > 0;) {
            double sum = 0.0;
            for (size_t j = i + 1; j < n; ++j) {
                sum = u[i * ldu + j] * x[j * ldx + c] + sum;
            }
            x[i * ldx + c] = (x[i * ldx + c] - sum) / u[i * ldu + i];
        }
    }
}

}  // namespace portable
}  // namespace kernels
}  // namespace dorvane
