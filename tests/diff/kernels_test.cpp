// The product's update kernel on strided views, called directly on every level of the test
// build: multiply_add continues the running sums held in c, so a sum split into consecutive
// blocks of k must give the bits of the portable loops over the whole range, and nothing outside
// the views may change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "matrix_testing.h"
#include "variants.h"

// The kernels of the test build of every path (namespace renamed from dorvane).
#define DORVANE_LEVEL_MULTIPLY_ADD                                                                    \
    void multiply_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b, \
                      size_t ldb, double *c, size_t ldc);
namespace dorvane_paths {
namespace kernels {
namespace portable {
DORVANE_LEVEL_MULTIPLY_ADD
}
namespace sse2 {
DORVANE_LEVEL_MULTIPLY_ADD
}
namespace avx2 {
DORVANE_LEVEL_MULTIPLY_ADD
}
namespace avx512 {
DORVANE_LEVEL_MULTIPLY_ADD
}
}  // namespace kernels
}  // namespace dorvane_paths

namespace {

using testing_support::vec;
using multiply_add_fn = void (*)(size_t, size_t, size_t, const double *, size_t, const double *, size_t, double *,
                                 size_t);

const multiply_add_fn kLevels[] = {dorvane_paths::kernels::portable::multiply_add,
                                   dorvane_paths::kernels::sse2::multiply_add,
                                   dorvane_paths::kernels::avx2::multiply_add,
                                   dorvane_paths::kernels::avx512::multiply_add};

double value(std::mt19937_64 &rng) {
    switch (rng() % 24) {
    case 0: return -0.0;
    case 1: return testing_support::inf();
    case 2: return testing_support::nan_with_payload(rng() % 999 + 1);
    case 3: return testing_support::min_subnormal() * static_cast<double>(rng() % 7);
    case 4: case 5: return std::ldexp(static_cast<double>(static_cast<int>(rng() % 31) - 15), static_cast<int>(rng() % 100) - 50);
    default: return std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
    }
}

TEST(MultiplyAdd, ContinuesTheSumsInBlocksOfKOnStridedViewsAtEveryLevel) {
    std::mt19937_64 rng(11);
    struct shape {
        size_t m, n, p;
    };
    const shape shapes[] = {{1, 1, 1}, {3, 5, 7}, {7, 33, 9}, {6, 64, 32}, {13, 300, 41}, {70, 90, 66}, {9, 700, 100}};
    for (const shape &s : shapes) {
        // Views inside larger matrices: strides beyond the widths, margins around every view.
        const size_t lda = s.n + 3, ldb = s.p + 5, ldc = s.p + 2;
        // c's view starts one element into c0; c0[0], the gaps between rows and the tail are margins.
        vec a(s.m * lda + 4), b(s.n * ldb + 4), c0((s.m + 1) * ldc + 4);
        for (double &x : a) x = value(rng);
        for (double &x : b) x = value(rng);
        for (double &x : c0) x = value(rng);
        vec expected = c0;
        dorvane_paths::kernels::portable::multiply_add(s.m, s.n, s.p, a.data(), lda, b.data(), ldb,
                                                       expected.data() + 1, ldc);
        for (int level = 0; level <= dorvane_paths_cpu_level(); ++level) {
            // One call over all of k, and the same sums continued over three consecutive blocks.
            vec whole = c0;
            kLevels[level](s.m, s.n, s.p, a.data(), lda, b.data(), ldb, whole.data() + 1, ldc);
            EXPECT_TRUE(testing_support::same_values(expected, whole)) << "level " << level << ", n " << s.n;
            vec blocks = c0;
            const size_t k1 = s.n / 3, k2 = s.n - s.n / 4;
            const size_t cuts[] = {0, k1, k2, s.n};
            for (int q = 0; q < 3; ++q) {
                kLevels[level](s.m, cuts[q + 1] - cuts[q], s.p, a.data() + cuts[q], lda, b.data() + cuts[q] * ldb,
                               ldb, blocks.data() + 1, ldc);
            }
            EXPECT_TRUE(testing_support::same_values(expected, blocks)) << "level " << level << " in blocks, n " << s.n;
        }
    }
}

}  // namespace
