// An independent transcription of the Householder reduction in plain loops, for the tests: the
// same rounded operations in the same order as the library's nested products and scalings,
// without calling the library.
#ifndef DORVANE_HOUSEHOLDER_REFERENCE_H
#define DORVANE_HOUSEHOLDER_REFERENCE_H

#include <cmath>
#include <cstddef>
#include <vector>

namespace testing_support {

// c (rows x cols) = x (rows x inner) * y (inner x cols), each element summed from +0.0 in
// ascending order.
inline std::vector<double> reference_product(const std::vector<double> &x, const std::vector<double> &y,
                                             size_t rows, size_t inner, size_t cols) {
    std::vector<double> c(rows * cols);
    for (size_t i = 0; i < rows; ++i) {
        for (size_t j = 0; j < cols; ++j) {
            double s = 0.0;
            for (size_t l = 0; l < inner; ++l) {
                s = s + x[i * inner + l] * y[l * cols + j];
            }
            c[i * cols + j] = s;
        }
    }
    return c;
}

// Reduces the m x n matrix a into q (m x m) and r (m x n). A step whose s is zero is skipped
// (at step 0, q becomes the identity). products_allowed limits how many of the in-place products
// (H*R, then P*H from step 1 on) are carried out: the run stops just before the product that
// would exceed it and returns false, leaving q and r as they are then. A negative limit runs to
// the end and returns true. q and r must already have their sizes; q is not written before step 0.
inline bool reference_householder(const std::vector<double> &a, size_t m, size_t n, std::vector<double> &q,
                                  std::vector<double> &r, long products_allowed = -1) {
    for (size_t e = 0; e < m * n; ++e) {
        r[e] = a[e];
    }
    std::vector<double> p(m * m);
    std::vector<double> v(m);
    for (size_t k = 0; k < n; ++k) {
        for (size_t i = 0; i < k; ++i) {
            v[i] = 0.0;
        }
        double sigma = 0.0;
        for (size_t i = k; i < m; ++i) {
            sigma = r[i * n + k] * r[i * n + k] + sigma;
            v[i] = r[i * n + k];
        }
        const double alpha = std::sqrt(sigma);
        v[k] = alpha + v[k];
        double s = 0.0;
        for (size_t i = k; i < m; ++i) {
            s = v[i] * v[i] + s;
        }
        if (s == 0.0) {
            if (k == 0) {
                for (size_t i = 0; i < m; ++i) {
                    for (size_t j = 0; j < m; ++j) {
                        q[i * m + j] = i == j ? 1.0 : 0.0;
                    }
                }
                p = q;
            }
            continue;
        }
        for (size_t i = 0; i < m; ++i) {
            for (size_t j = 0; j < m; ++j) {
                q[i * m + j] = 0.0 + v[i] * v[j];
            }
        }
        const double f = -2.0 / s;
        for (size_t e = 0; e < m * m; ++e) {
            q[e] = f * q[e];
        }
        for (size_t i = 0; i < m; ++i) {
            q[i * m + i] = 1.0 + q[i * m + i];
        }
        if (products_allowed == 0) {
            return false;
        }
        --products_allowed;
        r = reference_product(q, r, m, m, n);
        if (k >= 1) {
            if (products_allowed == 0) {
                return false;
            }
            --products_allowed;
            q = reference_product(p, q, m, m, m);
        }
        p = q;
    }
    return true;
}

}  // namespace testing_support

#endif
