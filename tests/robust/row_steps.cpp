#include "row_steps.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace robust {
namespace {

bool is_zero(double x) {
    uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return (u << 1) == 0;
}

void exchange_rows(std::vector<double> &m, size_t cols, size_t r1, size_t r2) {
    for (size_t j = 0; j < cols; ++j) std::swap(m[r1 * cols + j], m[r2 * cols + j]);
}

}  // namespace

row_state row_steps(char op, const double *a, uint32_t n, const double *b, uint32_t m, uint32_t steps) {
    row_state s{std::vector<double>(a, a + size_t{n} * n), {}, 0};
    if (b != nullptr) s.result2.assign(b, b + size_t{n} * m);
    std::vector<double> &r = s.result;
    std::vector<double> &c = s.result2;
    for (size_t i = 0; i < steps; ++i) {
        double best = std::fabs(r[i * n + i]);
        size_t pivot = i;
        for (size_t k = i; k < n; ++k) {
            if (std::fabs(r[k * n + i]) > best) {
                best = std::fabs(r[k * n + i]);
                pivot = k;
            }
        }
        if (pivot != i) {
            exchange_rows(r, n, i, pivot);
            if (b != nullptr) exchange_rows(c, m, i, pivot);
            ++s.swaps;
        }
        const double p = r[i * n + i];
        if (op != 't' || is_zero(p)) continue;
        for (size_t k = i + 1; k < n; ++k) {
            const double f = -(r[k * n + i] / p);
            for (size_t j = i; j < n; ++j) r[k * n + j] = r[k * n + j] + r[i * n + j] * f;
            for (size_t j = 0; j < m && b != nullptr; ++j) c[k * m + j] = c[k * m + j] + c[i * m + j] * f;
        }
    }
    return s;
}

}  // namespace robust
