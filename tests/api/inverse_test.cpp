// Inverse ("i"): operand selection and checks, elimination with the identity as companion,
// back substitution, the zero-divisor stop, aliasing.
#include <cmath>

#include "argument_checks.h"

using namespace testing_support;

namespace {

const check_case kCheckCases[] = {
    {"no operand", false, false, true, true, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
    {"result null", true, false, false, true, 2, 2, 0, 0, MATRIX_BAD_ARGUMENT},
    {"result null, b not square", false, true, false, true, 0, 0, 2, 3, MATRIX_BAD_ARGUMENT},
    {"a 0 x 3", true, false, true, true, 0, 3, 0, 0, MATRIX_SHAPE_MISMATCH},
    {"a 2 x 3", true, false, true, true, 2, 3, 0, 0, MATRIX_SHAPE_MISMATCH},
    {"b takes precedence: square a, b 2 x 3", true, true, true, true, 2, 2, 2, 3, MATRIX_SHAPE_MISMATCH},
};

TEST(Inverse, FirstFaultDecidesAndNothingIsWritten) { expect_rejected('i', kCheckCases); }

struct value_case {
    const char *name;
    uint32_t n;
    vec a;
    int32_t status;
    vec expected;
};

const value_case kValueCases[] = {
    {"[5]", 1, {5}, MATRIX_OK, {1.0 / 5}},
    {"[3]", 1, {3}, MATRIX_OK, {1.0 / 3}},
    {"a subnormal is divided by", 1, {min_subnormal()}, MATRIX_OK, {inf()}},
    {"an infinity is divided by", 1, {-inf()}, MATRIX_OK, {-0.0}},
    {"a NaN is divided by", 1, {qnan()}, MATRIX_OK, {qnan()}},
    {"[0]: the divisor is zero, result holds M", 1, {0.0}, MATRIX_ZERO_DIVISOR, {1.0}},
    {"[-0.0]", 1, {-0.0}, MATRIX_ZERO_DIVISOR, {1.0}},
    // U = [[4, 3], [0, -0.5]], M = [[0, 1], [1, -0.5]].
    {"one exchange", 2, {2, 1, 4, 3}, MATRIX_OK, {1.5, -0.5, -2, 1}},
    {"rounding of the documented sequence", 2, {4, 7, 2, 6}, MATRIX_OK,
     {0.6000000000000001, -0.7000000000000001, -0.2, 0.4}},
    {"permutation", 2, {0, 1, 1, 0}, MATRIX_OK, {0, 1, 1, 0}},
    {"diagonal, zeros stay +0.0", 3, {2, 0, 0, 0, 3, 0, 0, 0, 4}, MATRIX_OK,
     {0.5, 0, 0, 0, 1.0 / 3, 0, 0, 0, 0.25}},
    // Upper triangular, no exchange, M = I. X(0, 3) = (0 - sum) / 1 with sum over j = 1, 2, 3 of
    // U(0, j) * 1 in ascending order: (1 + 2^53) rounds to 2^53, minus 2^53 gives 0, where the
    // exact inverse has -1 (and the descending order would give it).
    {"sums run in ascending order", 4, {1, 1, 0x1p53, -0x1p53, 0, 1, 0, -1, 0, 0, 1, -1, 0, 0, 0, 1}, MATRIX_OK,
     {1, -1, -0x1p53, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1}},
    // The zero divisor sits on the last row: nothing solved, result holds M.
    {"singular 2 x 2", 2, {1, 2, 2, 4}, MATRIX_ZERO_DIVISOR, {0, 1, 1, -0.5}},
    // U = [[2, 4, 1], [0, 0, 2.5], [0, 0, 4.5]] (column 1 is skipped), M = [[1, 0, 0],
    // [-0.5, 1, 0], [-0.5, 0, 1]]. Row 2 of column 0 is solved, (-0.5 - 0.0) / 4.5, before the
    // zero at (1, 1) stops the solution.
    {"zero divisor in the middle", 3, {2, 4, 1, 1, 2, 3, 1, 2, 5}, MATRIX_ZERO_DIVISOR,
     {1, 0, 0, -0.5, 1, 0, -0.5 / 4.5, 0, 1}},
};

TEST(Inverse, EliminationThenBackSubstitution) {
    for (const value_case &c : kValueCases) {
        SCOPED_TRACE(c.name);
        vec a = c.a, result = canaries(c.a.size()), result2 = canaries(4);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.status, lib::matrix('i', a.data(), c.n, c.n, nullptr, 0, 0, result.data(), result2.data(), &swaps));
        EXPECT_TRUE(same_values(c.expected, result));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(same_bits(c.a, a));
        EXPECT_TRUE(untouched(result2)) << "result2 is not used";
    }
}

TEST(Inverse, SingularInExactArithmeticOnlyIsInverted) {
    const vec a = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    vec result = canaries(9);
    ASSERT_EQ(MATRIX_OK, lib::matrix('i', a.data(), 3, 3, nullptr, 0, 0, result.data(), nullptr, nullptr));
    for (double x : result) {
        EXPECT_TRUE(std::isfinite(x)) << describe(x);
        EXPECT_GE(std::fabs(x), 1e15) << describe(x);
        EXPECT_LE(std::fabs(x), 1e17) << describe(x);
    }
}

TEST(Inverse, OperandInBWinsOverA) {
    vec a = {1, 2, 3, 4}, b = {2, 1, 4, 3}, result = canaries(4);
    ASSERT_EQ(MATRIX_OK, lib::matrix('I', a.data(), 2, 2, b.data(), 2, 2, result.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({1.5, -0.5, -2, 1}, result));
    EXPECT_TRUE(same_bits({1, 2, 3, 4}, a));
    EXPECT_TRUE(same_bits({2, 1, 4, 3}, b));
    // a's counts are ignored when b is given.
    ASSERT_EQ(MATRIX_OK, lib::matrix('i', a.data(), 0, 9, b.data(), 2, 2, result.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({1.5, -0.5, -2, 1}, result));
}

TEST(Inverse, InPlace) {
    vec a = {2, 1, 4, 3};
    ASSERT_EQ(MATRIX_OK, lib::matrix('i', a.data(), 2, 2, nullptr, 0, 0, a.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({1.5, -0.5, -2, 1}, a));

    vec b = {4, 7, 2, 6};
    ASSERT_EQ(MATRIX_OK, lib::matrix('i', nullptr, 0, 0, b.data(), 2, 2, b.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({0.6000000000000001, -0.7000000000000001, -0.2, 0.4}, b));

    // A zero divisor in place loses the operand: it holds M.
    vec s = {1, 2, 2, 4};
    EXPECT_EQ(MATRIX_ZERO_DIVISOR, lib::matrix('i', s.data(), 2, 2, nullptr, 0, 0, s.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({0, 1, 1, -0.5}, s));
}

TEST(Inverse, OrderZeroWritesNothing) {
    vec a = canaries(1), result = canaries(1), result2 = canaries(1);
    int32_t swaps = kSwapsCanary;
    EXPECT_EQ(MATRIX_OK, lib::matrix('i', a.data(), 0, 0, nullptr, 0, 0, result.data(), result2.data(), &swaps));
    EXPECT_EQ(0, swaps);
    EXPECT_TRUE(untouched(result));
    EXPECT_TRUE(untouched(result2));
    EXPECT_TRUE(untouched(a));
}

}  // namespace
