// 'f': Doolittle factorization without pivoting, L (unit diagonal implied) and U packed in result.
#include <cmath>
#include <random>

#include "matrix_testing.h"

using namespace testing_support;

namespace {

// Where the operand travels and where the result goes.
enum class mode { in_a, in_b, in_place_a, in_place_b };
const mode kModes[] = {mode::in_a, mode::in_b, mode::in_place_a, mode::in_place_b};

const char *name_of(mode m) {
    switch (m) {
    case mode::in_a: return "operand in a";
    case mode::in_b: return "operand in b";
    case mode::in_place_a: return "in place, operand in a";
    case mode::in_place_b: return "in place, operand in b";
    }
    return "?";
}

// Runs "f" on an n x n operand; `result` starts as canaries unless the call works in place.
int32_t factorize(mode m, const vec &operand, uint32_t n, vec &result) {
    int32_t swaps = kSwapsCanary;
    vec result2 = canaries(4);
    int32_t status = 0;
    switch (m) {
    case mode::in_a:
        result = canaries(operand.size());
        status = lib::matrix('f', operand.data(), n, n, nullptr, 0, 0, result.data(), result2.data(), &swaps);
        break;
    case mode::in_b:
        result = canaries(operand.size());
        status = lib::matrix('F', nullptr, 7, 0, operand.data(), n, n, result.data(), nullptr, &swaps);
        break;
    case mode::in_place_a:
        result = operand;
        status = lib::matrix('f', result.data(), n, n, nullptr, 0, 0, result.data(), result2.data(), &swaps);
        break;
    case mode::in_place_b:
        result = operand;
        status = lib::matrix('f', nullptr, 0, 0, result.data(), n, n, result.data(), nullptr, &swaps);
        break;
    }
    EXPECT_EQ(0, swaps);
    EXPECT_TRUE(untouched(result2));
    return status;
}

// Plain transcription of the packed Doolittle scheme, for comparison on larger operands.
vec doolittle(const vec &a, size_t n) {
    vec r(n * n);
    for (size_t j = 0; j < n; ++j) {
        for (size_t k = 0; k < j; ++k) {
            double s = 0.0;
            for (size_t i = 0; i < k; ++i) {
                s = r[j * n + i] * r[i * n + k] + s;
            }
            r[j * n + k] = (a[j * n + k] - s) / r[k * n + k];
        }
        for (size_t k = j; k < n; ++k) {
            double s = 0.0;
            for (size_t i = 0; i < j; ++i) {
                s = r[j * n + i] * r[i * n + k] + s;
            }
            r[j * n + k] = a[j * n + k] - s;
        }
    }
    return r;
}

struct exact_case {
    const char *what;
    uint32_t n;
    vec operand;
    vec expected;
};

TEST(Factorization, KnownFactorsInEveryOperandAndAliasingMode) {
    const double tiny = min_subnormal();
    const exact_case cases[] = {
        {"1x1", 1, {7.5}, {7.5}},
        {"1x1 negative", 1, {-3.0}, {-3.0}},
        {"subnormal leading element is not zero", 1, {tiny}, {tiny}},
        {"2x2", 2, {4, 3, 6, 3}, {4, 3, 1.5, -1.5}},
        {"3x3", 3, {2, 1, 1, 4, -6, 0, -2, 7, 2}, {2, 1, 1, 2, -8, -2, -1, -1, 1}},
        {"zero last pivot is never a divisor", 2, {1, 2, 2, 4}, {1, 2, 2, 0}},
        {"zero last pivot of a 3x3", 3, {1, 2, 3, 2, 5, 7, 3, 7, 10}, {1, 2, 3, 2, 1, 1, 3, 1, 0}},
        {"row 0 is a - (+0.0), keeping -0.0", 2, {2, -0.0, 4, 1}, {2, -0.0, 2, 1}},
        {"multiplier (-0.0 - (+0.0)) / 2 keeps its sign", 2, {2, 1, -0.0, 3}, {2, 1, -0.0, 3}},
        {"tiny divisor is used unchanged and overflows", 2, {tiny, 1, 1, 1}, {tiny, 1, inf(), -inf()}},
    };
    for (const exact_case &c : cases) {
        for (mode m : kModes) {
            SCOPED_TRACE(::testing::Message() << c.what << ", " << name_of(m));
            vec result;
            EXPECT_EQ(MATRIX_OK, factorize(m, c.operand, c.n, result));
            EXPECT_TRUE(same_bits(c.expected, result));
        }
    }
}

TEST(Factorization, MatchesThePlainSchemeBitForBitOnRandomOperands) {
    std::mt19937_64 rng(20261211);
    std::uniform_real_distribution<double> value(-4.0, 4.0);
    for (uint32_t n : {2u, 3u, 5u, 8u, 13u, 32u}) {
        vec operand(size_t(n) * n);
        for (double &x : operand) {
            x = value(rng);
        }
        const vec expected = doolittle(operand, n);
        for (mode m : kModes) {
            SCOPED_TRACE(::testing::Message() << "order " << n << ", " << name_of(m));
            vec result;
            EXPECT_EQ(MATRIX_OK, factorize(m, operand, n, result));
            EXPECT_TRUE(same_bits(expected, result));
        }
    }
}

// The zero-divisor stop: rows before the stop complete, the stopping row up to the column before
// the zero pivot, everything after as it was (canaries, or the operand's own values in place).
struct divisor_case {
    const char *what;
    uint32_t n;
    vec operand;
    vec written;  // canary() where the call must not write
};

TEST(Factorization, ZeroDivisorStopsBeforeTheElementThatNeedsIt) {
    const double c = canary();
    const divisor_case cases[] = {
        {"U(1,1) = 0 in a 3x3", 3, {1, 2, 3, 2, 4, 5, 1, 1, 1}, {1, 2, 3, 2, 0, -1, 1, c, c}},
        {"U(1,1) = -0.0 counts as zero", 3, {1, 0, 0, 0, -0.0, 0, 0, 1, 1}, {1, 0, 0, 0, -0.0, 0, 0, c, c}},
        {"U(1,1) = 0 in a 4x4 leaves the last row alone", 4,
         {1, 2, 3, 4, 2, 4, 5, 6, 1, 1, 1, 1, 7, 7, 7, 7},
         {1, 2, 3, 4, 2, 0, -1, -2, 1, c, c, c, c, c, c, c}},
        {"U(2,2) = 0 in a 4x4", 4,
         {1, 1, 1, 1, 1, 2, 2, 2, 1, 2, 2, 3, 1, 2, 3, 4},
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, c, c}},
    };
    for (const divisor_case &dc : cases) {
        for (mode m : kModes) {
            SCOPED_TRACE(::testing::Message() << dc.what << ", " << name_of(m));
            const bool in_place = m == mode::in_place_a || m == mode::in_place_b;
            vec expected = dc.written;
            for (size_t k = 0; k < expected.size(); ++k) {
                if (in_place && bits(expected[k]) == kCanaryBits) {
                    expected[k] = dc.operand[k];
                }
            }
            vec result;
            EXPECT_EQ(MATRIX_ZERO_DIVISOR, factorize(m, dc.operand, dc.n, result));
            EXPECT_TRUE(same_bits(expected, result));
        }
    }
}

// Argument checks in their order: every failure leaves result and result2 as they were.
struct check_case {
    const char *what;
    bool a_given, b_given, result_given;
    uint32_t a_rows, a_cols, b_rows, b_cols;
    double first;  // element 0 of the given operand(s)
    int32_t status;
};

TEST(Factorization, ArgumentChecksFireInOrderAndWriteNothing) {
    const check_case cases[] = {
        {"no operand", false, false, true, 2, 2, 2, 2, 1.0, MATRIX_BAD_ARGUMENT},
        {"no operand and no result", false, false, false, 2, 3, 0, 0, 0.0, MATRIX_BAD_ARGUMENT},
        {"null result", true, false, false, 2, 2, 0, 0, 1.0, MATRIX_BAD_ARGUMENT},
        {"null result before zero leading", true, false, false, 2, 2, 0, 0, 0.0, MATRIX_BAD_ARGUMENT},
        {"null result before shape", false, true, false, 0, 0, 2, 3, 1.0, MATRIX_BAD_ARGUMENT},
        {"both operands, both valid", true, true, true, 2, 2, 2, 2, 1.0, MATRIX_BAD_ARGUMENT},
        {"both operands before zero leading", true, true, true, 2, 2, 2, 2, 0.0, MATRIX_BAD_ARGUMENT},
        {"a with no rows", true, false, true, 0, 2, 2, 2, 0.0, MATRIX_BAD_ARGUMENT},
        {"a with no columns", true, false, true, 2, 0, 2, 2, 1.0, MATRIX_BAD_ARGUMENT},
        {"b with no rows", false, true, true, 2, 2, 0, 2, 1.0, MATRIX_BAD_ARGUMENT},
        {"b with no columns", false, true, true, 2, 2, 2, 0, 0.0, MATRIX_BAD_ARGUMENT},
        {"zero leading in a", true, false, true, 2, 2, 0, 0, 0.0, MATRIX_ZERO_LEADING},
        {"negative zero leading in b", false, true, true, 0, 0, 2, 2, -0.0, MATRIX_ZERO_LEADING},
        {"zero leading before shape", true, false, true, 2, 3, 0, 0, 0.0, MATRIX_ZERO_LEADING},
        {"zero leading of a 1x1", false, true, true, 9, 9, 1, 1, 0.0, MATRIX_ZERO_LEADING},
        {"2x3 in a", true, false, true, 2, 3, 0, 0, 1.0, MATRIX_SHAPE_MISMATCH},
        {"3x2 in b", false, true, true, 0, 0, 3, 2, 1.0, MATRIX_SHAPE_MISMATCH},
        {"square counts of the absent operand are not looked at", false, true, true, 2, 2, 2, 3, 5.0,
         MATRIX_SHAPE_MISMATCH},
    };
    for (const check_case &c : cases) {
        SCOPED_TRACE(c.what);
        vec a(9, 2.0), b(9, 2.0);
        a[0] = c.first;
        b[0] = c.first;
        vec result = canaries(9), result2 = canaries(9);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.status, lib::matrix('f', c.a_given ? a.data() : nullptr, c.a_rows, c.a_cols,
                                        c.b_given ? b.data() : nullptr, c.b_rows, c.b_cols,
                                        c.result_given ? result.data() : nullptr, result2.data(), &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(result));
        EXPECT_TRUE(untouched(result2));
    }
}

TEST(Factorization, NoRowExchangesEvenWhenTheOperandIsRegular) {
    const vec operand = {0, 1, 1, 0};
    for (mode m : kModes) {
        SCOPED_TRACE(name_of(m));
        vec result;
        EXPECT_EQ(MATRIX_ZERO_LEADING, factorize(m, operand, 2, result));
        const bool in_place = m == mode::in_place_a || m == mode::in_place_b;
        EXPECT_TRUE(same_bits(in_place ? operand : canaries(4), result));
    }
}

TEST(Factorization, NanPropagatesWithoutBeingReported) {
    const vec operand = {2, qnan(), 4, 1};
    vec result;
    EXPECT_EQ(MATRIX_OK, factorize(mode::in_a, operand, 2, result));
    EXPECT_TRUE(same_values({2, qnan(), 2, qnan()}, result));
}

// Row 0 of U is computed (each element minus +0.0), not copied: a signalling NaN comes out quiet.
TEST(Factorization, FirstRowIsArithmeticNotACopy) {
    const vec operand = {1, canary(), 2, 1};
    vec result;
    EXPECT_EQ(MATRIX_OK, factorize(mode::in_a, operand, 2, result));
    EXPECT_TRUE(std::isnan(result[1]));
    EXPECT_NE(0u, bits(result[1]) & 0x0008000000000000ULL) << describe(result[1]);
}

}  // namespace
