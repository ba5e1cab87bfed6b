// The straightforward kernels: loops that read like their definitions. They are the reference
// that every faster level is tested against, and the level used where no other one runs.
#include "kernels/levels.h"
#include "moves.h"

namespace dorvane {
namespace kernels {
namespace portable {

void add(size_t n, const double *a, const double *b, double *out) {
    for (size_t k = 0; k < n; ++k) {
        out[k] = a[k] + b[k];
    }
}

void subtract(size_t n, const double *a, const double *b, double *out) {
    for (size_t k = 0; k < n; ++k) {
        out[k] = a[k] - b[k];
    }
}

void scale(size_t n, double s, const double *x, double *out) {
    for (size_t k = 0; k < n; ++k) {
        out[k] = s * x[k];
    }
}

void multiply(size_t m, size_t n, size_t p, const double *a, const double *b, double *c) {
    for (size_t i = 0; i < m; ++i) {
        for (size_t j = 0; j < p; ++j) {
            double s = 0.0;
            for (size_t k = 0; k < n; ++k) {
                s = s + a[i * n + k] * b[k * p + j];
            }
            c[i * p + j] = s;
        }
    }
}

void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b,
                  size_t ldb, double *c, size_t ldc) {
    for (size_t i = 0; i < m; ++i) {
        for (size_t j = 0; j < p; ++j) {
            double s = c[i * ldc + j];
            for (size_t k = 0; k < n; ++k) {
                s = s + a[i * lda + k] * b[k * ldb + j];
            }
            c[i * ldc + j] = s;
        }
    }
}

void transpose_copy(size_t n, const double *src, double *dst) {
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            copy_entries(&dst[j * n + i], &src[i * n + j], 1);
        }
    }
}

void transpose_in_place(size_t n, double *m) {
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = i + 1; k < n; ++k) {
            exchange_entries(&m[i * n + k], &m[k * n + i], 1);
        }
    }
}

void add_scaled_row(size_t n, double f, const double *src, double *dst) {
    for (size_t j = 0; j < n; ++j) {
        dst[j] = dst[j] + src[j] * f;
    }
}

}  // namespace portable
}  // namespace kernels
}  // namespace dorvane
