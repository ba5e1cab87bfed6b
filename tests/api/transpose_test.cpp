// 'x': argument checks in order, the operand in a or in b, in place or into another buffer,
// values moved bit for bit.
#include "matrix_testing.h"

#if defined(__i386__) && defined(__GNUC__) && !defined(__clang__)
// Reference values computed here must round like the library: SSE2 doubles, never the x87 stack.
#pragma GCC target("sse2,fpmath=sse")
#endif

using namespace testing_support;

namespace {

// n x n elements that arithmetic or a floating-point load could alter: signalling NaNs with
// distinct payloads (both signs), quiet NaNs with payloads, -0.0, subnormals, infinities. Every
// element has its own bit pattern, so a misplaced one shows.
vec awkward(size_t n) {
    static const uint64_t specials[] = {
        0x8000000000000000,  // -0.0
        0x0000000000000001,  // smallest subnormal
        0x800fffffffffffff,  // largest negative subnormal
        0x7ff0000000000000,  // +inf
        0xfff0000000000000,  // -inf
        0x7ff8000000000000,  // quiet NaN without payload
    };
    vec m(n * n);
    for (size_t k = 0; k < n * n; ++k) {
        uint64_t u;
        switch (k % 4) {
        case 0: u = 0x7ff0000000000000ULL | (k + 1); break;                 // signalling NaN
        case 1: u = 0xfff0000000000000ULL | (0x5000 + k); break;            // negative signalling NaN
        case 2: u = 0x7ff8000000000000ULL | (0x123400 + k); break;          // quiet NaN with payload
        default: u = k < 4 * 6 ? specials[k / 4] : bits(static_cast<double>(k) + 0.125); break;
        }
        std::memcpy(&m[k], &u, sizeof u);  // never through a double value: a load could quiet it
    }
    return m;
}

vec transposed(const vec &m, size_t n) {
    vec t(n * n);
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            std::memcpy(&t[j * n + i], &m[i * n + j], sizeof(double));
        }
    }
    return t;
}

// ---------------------------------------------------------------------------------------------
// Argument checks.

TEST(Transpose, ArgumentFaultsComeBeforeShapeFaults) {
    struct bad_call {
        const char *what;
        bool give_a, give_b;
        uint32_t a_rows, a_cols, b_rows, b_cols;
        int result;  // 0: null, 1: a canary buffer, 2: the a buffer
        int32_t expected;
    };
    const bad_call calls[] = {
        {"a and b null", false, false, 2, 2, 2, 2, 1, MATRIX_BAD_ARGUMENT},
        {"a, b and result null", false, false, 2, 2, 2, 2, 0, MATRIX_BAD_ARGUMENT},
        {"result null", true, false, 2, 2, 0, 0, 0, MATRIX_BAD_ARGUMENT},
        {"result null, not square", true, false, 2, 3, 0, 0, 0, MATRIX_BAD_ARGUMENT},
        {"a and b both given, square", true, true, 2, 2, 2, 2, 1, MATRIX_BAD_ARGUMENT},
        {"a and b both given, not square", true, true, 2, 3, 3, 2, 1, MATRIX_BAD_ARGUMENT},
        {"a and b both given, result is a", true, true, 2, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
        {"a 0x0", true, false, 0, 0, 2, 2, 1, MATRIX_BAD_ARGUMENT},
        {"a 0x3", true, false, 0, 3, 3, 3, 1, MATRIX_BAD_ARGUMENT},
        {"a 3x0", true, false, 3, 0, 3, 3, 1, MATRIX_BAD_ARGUMENT},
        {"a 0x3, result is a", true, false, 0, 3, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"b 0x0", false, true, 2, 2, 0, 0, 1, MATRIX_BAD_ARGUMENT},
        {"b 2x0", false, true, 2, 2, 2, 0, 1, MATRIX_BAD_ARGUMENT},
        {"b 0x2", false, true, 2, 2, 0, 2, 1, MATRIX_BAD_ARGUMENT},
        {"a 2x3", true, false, 2, 3, 2, 2, 1, MATRIX_SHAPE_MISMATCH},
        {"a 2x3 in place", true, false, 2, 3, 2, 2, 2, MATRIX_SHAPE_MISMATCH},
        {"a 3x2", true, false, 3, 2, 3, 3, 1, MATRIX_SHAPE_MISMATCH},
        {"b 2x3 (a's counts square)", false, true, 2, 2, 2, 3, 1, MATRIX_SHAPE_MISMATCH},
        {"b 1x4 (a's counts square)", false, true, 2, 2, 1, 4, 1, MATRIX_SHAPE_MISMATCH},
    };
    const vec a0 = awkward(3), b0 = vec(a0.rbegin(), a0.rend());
    for (const bad_call &c : calls) {
        SCOPED_TRACE(c.what);
        vec a = a0, b = b0, out = canaries(9), result2 = canaries(9);
        double *result = c.result == 0 ? nullptr : c.result == 1 ? out.data() : a.data();
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.expected, lib::matrix('x', c.give_a ? a.data() : nullptr, c.a_rows, c.a_cols,
                                          c.give_b ? b.data() : nullptr, c.b_rows, c.b_cols, result,
                                          result2.data(), &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(out));
        EXPECT_TRUE(untouched(result2));
        EXPECT_TRUE(same_bits(a0, a));
        EXPECT_TRUE(same_bits(b0, b));
    }
}

// ---------------------------------------------------------------------------------------------
// Both paths, both operand positions.

struct route {
    const char *what;
    bool in_b;      // the operand comes in b (a null), otherwise in a (b null)
    bool in_place;  // result is the operand's buffer
};

const route kRoutes[] = {
    {"a, into result", false, false},
    {"a, in place", false, true},
    {"b, into result", true, false},
    {"b, in place", true, true},
};

// Runs 'x' on an n x n matrix by one route; the counts of the absent operand hold nonsense,
// which must be ignored. Returns the n*n elements that hold the transpose afterwards, and checks
// that the operand is unchanged (out of place) and nothing past n*n is written.
vec run(const route &r, const vec &m, uint32_t n) {
    const size_t size = size_t{n} * n;
    vec operand = m, out = canaries(size + 2);
    operand.resize(size + 2, canary());
    double *result = r.in_place ? operand.data() : out.data();
    int32_t swaps = kSwapsCanary;
    const int32_t status = r.in_b ? lib::matrix('x', nullptr, 0, 7, operand.data(), n, n, result, nullptr, &swaps)
                                  : lib::matrix('X', operand.data(), n, n, nullptr, 5, 0, result, nullptr, &swaps);
    EXPECT_EQ(MATRIX_OK, status);
    EXPECT_EQ(0, swaps);
    const vec &written = r.in_place ? operand : out;
    EXPECT_TRUE(untouched(vec(written.begin() + size, written.end())));
    if (!r.in_place) {
        EXPECT_TRUE(same_bits(m, vec(operand.begin(), operand.begin() + size)));
    }
    return vec(written.begin(), written.begin() + size);
}

TEST(Transpose, ThreeByThreeOnEveryRoute) {
    const vec m = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (const route &r : kRoutes) {
        SCOPED_TRACE(r.what);
        EXPECT_TRUE(same_bits({0, 3, 6, 1, 4, 7, 2, 5, 8}, run(r, m, 3)));
    }
}

TEST(Transpose, ValuesMoveBitForBit) {
    // Odd and even orders, and orders past any plausible block or vector width.
    for (uint32_t n : {1u, 2u, 3u, 4u, 5u, 8u, 17u, 33u, 64u, 67u}) {
        const vec m = awkward(n), expected = transposed(m, n);
        for (const route &r : kRoutes) {
            SCOPED_TRACE(::testing::Message() << "n = " << n << ", " << r.what);
            EXPECT_TRUE(same_bits(expected, run(r, m, n)));
        }
    }
}

TEST(Transpose, TwiceInPlaceRestoresTheMatrix) {
    const uint32_t n = 6;
    const vec m0 = awkward(n);
    vec m = m0;
    ASSERT_EQ(MATRIX_OK, lib::matrix('x', m.data(), n, n, nullptr, 0, 0, m.data(), nullptr, nullptr));
    EXPECT_FALSE(same_bits(m0, m));
    ASSERT_EQ(MATRIX_OK, lib::matrix('x', nullptr, 0, 0, m.data(), n, n, m.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits(m0, m));
}

}  // namespace
