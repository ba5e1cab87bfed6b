// The element-wise operations as plain loops, vectorized by the compiler.
#include <cstddef>

void plain_add(std::size_t n, const double *a, const double *b, double *out) {
    for (std::size_t k = 0; k < n; ++k) {
        out[k] = a[k] + b[k];
    }
}

void plain_subtract(std::size_t n, const double *a, const double *b, double *out) {
    for (std::size_t k = 0; k < n; ++k) {
        out[k] = a[k] - b[k];
    }
}

void plain_scale(std::size_t n, double s, const double *x, double *out) {
    for (std::size_t k = 0; k < n; ++k) {
        out[k] = s * x[k];
    }
}
