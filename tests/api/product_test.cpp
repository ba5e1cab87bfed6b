// '*': argument checks in order, sums in ascending k from +0.0, results over operands.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "matrix_testing.h"

#if defined(__i386__) && defined(__GNUC__) && !defined(__clang__)
// Reference values computed here must round like the library: SSE2 doubles, never the x87 stack.
#pragma GCC target("sse2,fpmath=sse")
#endif

using namespace testing_support;

namespace {

const double k2p53 = 9007199254740992.0;  // 2^53: adding 1 to it is a tie that rounds back down

// Sums each element from +0.0 over ascending k, one rounded product and one rounded sum per step.
vec ascending_product(const vec &a, const vec &b, size_t m, size_t n, size_t p) {
    vec c(m * p);
    for (size_t i = 0; i < m; ++i) {
        for (size_t j = 0; j < p; ++j) {
            double s = 0.0;
            for (size_t k = 0; k < n; ++k) {
                const double t = a[i * n + k] * b[k * p + j];
                s = s + t;
            }
            c[i * p + j] = s;
        }
    }
    return c;
}

// The same terms summed in descending k: a different order of rounding.
vec descending_product(const vec &a, const vec &b, size_t m, size_t n, size_t p) {
    vec c(m * p);
    for (size_t i = 0; i < m; ++i) {
        for (size_t j = 0; j < p; ++j) {
            double s = 0.0;
            for (size_t k = n; k-- > 0;) {
                const double t = a[i * n + k] * b[k * p + j];
                s = s + t;
            }
            c[i * p + j] = s;
        }
    }
    return c;
}

// Operands whose sums lose different low bits depending on the order of their terms: magnitudes
// spread over many binades, signs mixed, nothing exactly representable by accident.
vec spread(size_t count, unsigned seed) {
    vec v(count);
    uint32_t state = seed;
    for (size_t k = 0; k < count; ++k) {
        state = state * 1664525u + 1013904223u;
        const double mantissa = 1.0 + static_cast<double>(state >> 8) / 16777216.0;
        const int exponent = static_cast<int>((state >> 3) % 48) - 24;
        v[k] = ((state & 1u) ? -1.0 : 1.0) * std::ldexp(mantissa, exponent) / 3.0;
    }
    return v;
}

// ---------------------------------------------------------------------------------------------
// Argument checks.

TEST(Product, ArgumentFaultsComeBeforeShapeFaults) {
    struct bad_call {
        const char *what;
        bool null_result, null_a, null_b;
        uint32_t a_rows, a_cols, b_rows, b_cols;
        int32_t expected;
    };
    const bad_call calls[] = {
        {"null result", true, false, false, 2, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"null result, inner dimensions differ", true, false, false, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"null a", false, true, false, 2, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"null a, inner dimensions differ", false, true, false, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"null b", false, false, true, 2, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"null b, inner dimensions differ", false, false, true, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"a_rows 0", false, false, false, 0, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"a_cols and b_rows 0: inner dimensions agree", false, false, false, 2, 0, 0, 2, MATRIX_BAD_ARGUMENT},
        {"a_cols 0, inner dimensions differ", false, false, false, 2, 0, 3, 2, MATRIX_BAD_ARGUMENT},
        {"b_rows 0, inner dimensions differ", false, false, false, 2, 3, 0, 2, MATRIX_BAD_ARGUMENT},
        {"b_cols 0", false, false, false, 2, 3, 3, 0, MATRIX_BAD_ARGUMENT},
        {"b_cols 0, inner dimensions differ", false, false, false, 2, 3, 2, 0, MATRIX_BAD_ARGUMENT},
        {"2x3 by 2x3", false, false, false, 2, 3, 2, 3, MATRIX_SHAPE_MISMATCH},
        {"1x1 by 2x1", false, false, false, 1, 1, 2, 1, MATRIX_SHAPE_MISMATCH},
        {"3x1 by 3x1", false, false, false, 3, 1, 3, 1, MATRIX_SHAPE_MISMATCH},
    };
    const vec a0 = {1.5, -2.5, 3.5, -4.5, 5.5, -6.5};
    const vec b0 = {0.25, 0.5, 0.75, 1.25, 1.5, 1.75};
    for (const bad_call &c : calls) {
        SCOPED_TRACE(c.what);
        vec a = a0, b = b0, result = canaries(9), result2 = canaries(4);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.expected, lib::matrix('*', c.null_a ? nullptr : a.data(), c.a_rows, c.a_cols,
                                          c.null_b ? nullptr : b.data(), c.b_rows, c.b_cols,
                                          c.null_result ? nullptr : result.data(), result2.data(), &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(result));
        EXPECT_TRUE(untouched(result2));
        EXPECT_TRUE(same_bits(a0, a));
        EXPECT_TRUE(same_bits(b0, b));
    }
}

TEST(Product, ShapeFaultOverAnOperandLeavesItUnchanged) {
    // The scratch path is chosen only after the checks: nothing is written over a or b.
    const vec a0 = {1, 2, 3, 4, 5, 6};
    for (int target : {0, 1}) {
        SCOPED_TRACE(target == 0 ? "result is a" : "result is b");
        vec a = a0, b = a0;
        double *out = target == 0 ? a.data() : b.data();
        EXPECT_EQ(MATRIX_SHAPE_MISMATCH, lib::matrix('*', a.data(), 2, 3, b.data(), 2, 3, out, nullptr, nullptr));
        EXPECT_TRUE(same_bits(a0, a));
        EXPECT_TRUE(same_bits(a0, b));
    }
}

// ---------------------------------------------------------------------------------------------
// Arithmetic.

// Single elements whose value shows how they were summed.
TEST(Product, EachElementIsSummedFromPositiveZeroInAscendingOrder) {
    const double one_up_30 = 1.0 + std::ldexp(1.0, -30);
    struct element_case {
        const char *what;
        vec row, column;  // 1 x n times n x 1
        double expected;
    };
    const element_case cases[] = {
        // Ascending: 2^53 + 1 ties back to 2^53, again for the second 1, then cancels to 0.
        // Descending gives 2, pairwise halves give 1.
        {"order of summation", {k2p53, 1, 1, -k2p53}, {1, 1, 1, 1}, 0.0},
        {"order of summation, columns scaled", {1, 1, 1, 1}, {k2p53, 1, 1, -k2p53}, 0.0},
        // The second product is 1 + 2^-29 + 2^-60, rounded to 1 + 2^-29 before it is added; a
        // fused multiply-add would keep the 2^-60.
        {"no fused multiply-add", {-(1.0 + std::ldexp(1.0, -29)), one_up_30}, {1.0, one_up_30}, 0.0},
        {"one -0 term", {-0.0}, {1.0}, 0.0},
        {"all terms -0", {-0.0, 2.0, -3.0}, {5.0, -0.0, 0.0}, 0.0},
        {"+0 and -0 terms", {0.0, -0.0}, {1.0, 1.0}, 0.0},
        {"negative single term", {-2.0}, {3.0}, -6.0},
        {"0 times inf", {0.0, 1.0}, {inf(), 1.0}, qnan()},
        {"inf minus inf", {inf(), 1.0}, {1.0, -inf()}, qnan()},
        {"NaN operand", {nan_with_payload(0xabc), 1.0}, {1.0, 1.0}, qnan()},
        {"overflow of a product", {DBL_MAX, -DBL_MAX}, {2.0, 0.5}, inf()},
        {"overflow of the sum", {DBL_MAX, DBL_MAX}, {1.0, 1.0}, inf()},
        {"underflow to +0", {1e-200}, {1e-200}, 0.0},
        {"underflow to -0 then +0 sum", {-1e-200}, {1e-200}, 0.0},
        {"subnormal tie to even", {3 * min_subnormal()}, {0.5}, 2 * min_subnormal()},
        {"inner product 1..3 by 4..6", {1, 2, 3}, {4, 5, 6}, 32.0},
    };
    for (const element_case &c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t n = static_cast<uint32_t>(c.row.size());
        vec result = canaries(2);
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', c.row.data(), 1, n, c.column.data(), n, 1, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values({c.expected, canary()}, result));
        // The ascending sum is what the expected value says, for the helper too.
        EXPECT_TRUE(same_values({c.expected}, ascending_product(c.row, c.column, 1, n, 1)));
    }
}

TEST(Product, ElementsFollowTheRowMajorLayout) {
    // 2x3 by 3x2 is 2x2; 3x1 by 1x2 is 3x2 (outer product); 1x3 by 3x1 is 1x1.
    struct shape_case {
        uint32_t m, n, p;
        vec a, b, expected;
    };
    const shape_case cases[] = {
        {2, 3, 2, {1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {58, 64, 139, 154}},
        {3, 1, 2, {1, 2, 3}, {4, 5}, {4, 5, 8, 10, 12, 15}},
        {1, 3, 1, {1, 2, 3}, {4, 5, 6}, {32}},
        {1, 1, 1, {-1.5}, {4}, {-6}},
        {2, 2, 3, {1, 2, 3, 4}, {1, 0, -1, 0, 1, 2}, {1, 2, 3, 3, 4, 5}},
    };
    for (const shape_case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.m << "x" << c.n << " by " << c.n << "x" << c.p);
        const size_t size = static_cast<size_t>(c.m) * c.p;
        vec a = c.a, b = c.b, result = canaries(size + 3);
        int32_t swaps = kSwapsCanary;
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), c.m, c.n, b.data(), c.n, c.p, result.data(), nullptr, &swaps));
        EXPECT_TRUE(same_bits(c.expected, vec(result.begin(), result.begin() + size)));
        EXPECT_TRUE(untouched(vec(result.begin() + size, result.end())));
        EXPECT_TRUE(same_bits(c.a, a));
        EXPECT_TRUE(same_bits(c.b, b));
        EXPECT_EQ(0, swaps);
    }
}

TEST(Product, LargerProductsMatchTheAscendingSumBitForBit) {
    // Sizes past any plausible block or vector width, odd ones included.
    const struct {
        uint32_t m, n, p;
    } shapes[] = {{2, 67, 2}, {5, 33, 7}, {17, 64, 9}, {40, 129, 3}, {9, 1, 70}};
    for (const auto &s : shapes) {
        SCOPED_TRACE(::testing::Message() << s.m << "x" << s.n << " by " << s.n << "x" << s.p);
        const vec a = spread(size_t{s.m} * s.n, 1u + s.m), b = spread(size_t{s.n} * s.p, 7u + s.p);
        const vec expected = ascending_product(a, b, s.m, s.n, s.p);
        if (s.n > 1) {
            // The data is sensitive to the order of its terms, so a reordered sum shows.
            EXPECT_FALSE(same_bits(expected, descending_product(a, b, s.m, s.n, s.p)));
        }
        vec result = canaries(size_t{s.m} * s.p);
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), s.m, s.n, b.data(), s.n, s.p, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(expected, result));
    }
}

// ---------------------------------------------------------------------------------------------
// Results over operands.

TEST(Product, ResultMayBeEitherOperandOrBoth) {
    const uint32_t n = 5;
    const vec a0 = spread(n * n, 11), b0 = spread(n * n, 12);
    const vec ab = ascending_product(a0, b0, n, n, n);
    const vec aa = ascending_product(a0, a0, n, n, n);
    {
        SCOPED_TRACE("result is a");
        vec a = a0, b = b0;
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), n, n, b.data(), n, n, a.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(ab, a));
        EXPECT_TRUE(same_bits(b0, b));
    }
    {
        SCOPED_TRACE("result is b");
        vec a = a0, b = b0;
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), n, n, b.data(), n, n, b.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(ab, b));
        EXPECT_TRUE(same_bits(a0, a));
    }
    {
        SCOPED_TRACE("result is a and b: squared in place");
        vec a = a0;
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), n, n, a.data(), n, n, a.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(aa, a));
    }
    {
        SCOPED_TRACE("a is b, distinct result: the square");
        vec a = a0, result = canaries(n * n);
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), n, n, a.data(), n, n, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(aa, result));
        EXPECT_TRUE(same_bits(a0, a));
    }
}

TEST(Product, OuterProductOfAVectorWithItself) {
    // v as m x 1 in a and the same buffer as 1 x m in b: element (i, j) is v_i * v_j, one rounded
    // product; -0.0 and infinities keep their signs.
    const vec v0 = {1.0 / 3.0, -0.0, 2.0, -inf(), 1e200};
    const uint32_t m = static_cast<uint32_t>(v0.size());
    vec expected(m * m);
    for (uint32_t i = 0; i < m; ++i) {
        for (uint32_t j = 0; j < m; ++j) {
            expected[i * m + j] = 0.0 + v0[i] * v0[j];
        }
    }
    vec v = v0, result = canaries(m * m + 2);
    ASSERT_EQ(MATRIX_OK, lib::matrix('*', v.data(), m, 1, v.data(), 1, m, result.data(), nullptr, nullptr));
    EXPECT_TRUE(same_values(expected, vec(result.begin(), result.begin() + m * m)));
    EXPECT_TRUE(untouched(vec(result.begin() + m * m, result.end())));
    EXPECT_TRUE(same_bits(v0, v));
    // Spot values: (0,0) is 1/9 rounded once, (1,1) is +0.0 (a sum from +0.0), (3,3) is +inf,
    // (3,4) is -inf, (4,4) overflows, (1,3) is NaN.
    EXPECT_EQ(bits((1.0 / 3.0) * (1.0 / 3.0)), bits(result[0]));
    EXPECT_EQ(0u, bits(result[1 * m + 1]));
    EXPECT_EQ(bits(inf()), bits(result[3 * m + 3]));
    EXPECT_EQ(bits(-inf()), bits(result[3 * m + 4]));
    EXPECT_EQ(bits(inf()), bits(result[4 * m + 4]));
    EXPECT_TRUE(result[1 * m + 3] != result[1 * m + 3]);
}

TEST(Product, ResultLargerThanTheOperandItHeld) {
    // The buffer of the operand has room for the whole product; the product is built from the
    // operands as they were and then fills the buffer, and nothing past m*p is written.
    {
        SCOPED_TRACE("3x1 a overwritten by the 3x4 product");
        const vec a0 = {1.5, -2.0, 0.25}, b0 = {1, 2, 3, 4};
        vec a = canaries(12 + 2);
        std::copy(a0.begin(), a0.end(), a.begin());
        vec b = b0;
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), 3, 1, b.data(), 1, 4, a.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(ascending_product(a0, b0, 3, 1, 4), vec(a.begin(), a.begin() + 12)));
        EXPECT_TRUE(untouched(vec(a.begin() + 12, a.end())));
        EXPECT_TRUE(same_bits(b0, b));
    }
    {
        SCOPED_TRACE("2x3 b overwritten by the 4x3 product");
        const vec a0 = {1, 2, 3, 4, 5, 6, 7, 8}, b0 = spread(6, 5);
        vec a = a0;
        vec b = canaries(12 + 2);
        std::copy(b0.begin(), b0.end(), b.begin());
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), 4, 2, b.data(), 2, 3, b.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(ascending_product(a0, b0, 4, 2, 3), vec(b.begin(), b.begin() + 12)));
        EXPECT_TRUE(untouched(vec(b.begin() + 12, b.end())));
        EXPECT_TRUE(same_bits(a0, a));
    }
    {
        SCOPED_TRACE("m x 1 vector overwritten by its outer product with itself");
        const vec v0 = spread(4, 9);
        vec v = canaries(16 + 1);
        std::copy(v0.begin(), v0.end(), v.begin());
        ASSERT_EQ(MATRIX_OK, lib::matrix('*', v.data(), 4, 1, v.data(), 1, 4, v.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(ascending_product(v0, v0, 4, 1, 4), vec(v.begin(), v.begin() + 16)));
        EXPECT_TRUE(untouched({v[16]}));
    }
}

}  // namespace
