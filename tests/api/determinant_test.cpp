// Determinant ("d"): operand selection and checks, the signed diagonal product, aliasing.
#include "argument_checks.h"

using namespace testing_support;

namespace {

const check_case kCheckCases[] = {
    {"no operand", false, false, true, true, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
    {"result null", true, false, false, true, 2, 2, 0, 0, MATRIX_BAD_ARGUMENT},
    {"both operands, both valid", true, true, true, true, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
    {"a with no rows", true, false, true, true, 0, 3, 0, 0, MATRIX_BAD_ARGUMENT},
    {"a with no columns", true, false, true, true, 3, 0, 0, 0, MATRIX_BAD_ARGUMENT},
    {"a of order 0", true, false, true, true, 0, 0, 0, 0, MATRIX_BAD_ARGUMENT},
    {"b with no columns", false, true, true, true, 0, 0, 2, 0, MATRIX_BAD_ARGUMENT},
    {"a not square", true, false, true, true, 2, 3, 0, 0, MATRIX_SHAPE_MISMATCH},
    {"b not square", false, true, true, true, 2, 2, 3, 2, MATRIX_SHAPE_MISMATCH},
    {"result null and a not square", true, false, false, true, 2, 3, 0, 0, MATRIX_BAD_ARGUMENT},
    {"both operands, not square", true, true, true, true, 2, 3, 3, 2, MATRIX_BAD_ARGUMENT},
};

TEST(Determinant, FirstFaultDecidesAndNothingIsWritten) { expect_rejected('d', kCheckCases); }

struct value_case {
    const char *name;
    uint32_t n;
    vec a;
    double expected;
};

const value_case kValueCases[] = {
    {"1 x 1 -0.0", 1, {-0.0}, -0.0},
    {"1 x 1 -infinity", 1, {-inf()}, -inf()},
    {"1 x 1 NaN keeps its bits", 1, {nan_with_payload(0xbeef)}, nan_with_payload(0xbeef)},
    {"1 x 1 subnormal", 1, {min_subnormal()}, min_subnormal()},
    {"one exchange", 2, {0, 1, 1, 0}, -1.0},
    // U = [[4, 3], [0, -0.5]]; seed -4.0, then -4.0 * -0.5.
    {"seed negated once", 2, {2, 1, 4, 3}, 2.0},
    {"no exchange", 2, {4, 7, 2, 6}, 10.0},
    // U = [[2, 4], [0, 0]]: seed -2.0, times +0.0.
    {"exactly singular gives -0.0", 2, {1, 2, 2, 4}, -0.0},
    {"singular in exact arithmetic only", 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 3 * 0x1p-52},
    {"3 x 3 with one exchange", 3, {1, 2, 3, 2, 5, 1, 4, 1, 2}, -45.0},
    // The running product goes left to right: 1e300 * 1e300 overflows before 1e-300 comes in.
    {"product taken in diagonal order", 3, {1e300, 0, 0, 0, 1e300, 0, 0, 0, 1e-300}, inf()},
    {"product underflows in diagonal order", 3, {1e-300, 0, 0, 0, 1e-300, 0, 0, 0, 1e300}, 0.0},
    // Column 0 is all zero (no exchange, step skipped), column 1 exchanges rows 1 and 2: the
    // seed +0.0 is negated to -0.0 and stays negative through 2 and 1.
    {"zero seed negated", 3, {0, 1, 0, 0, 1, 1, 0, 2, 0}, -0.0},
};

TEST(Determinant, SignedProductOfTheDiagonal) {
    for (const value_case &c : kValueCases) {
        SCOPED_TRACE(c.name);
        vec a = c.a, result = canaries(2);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_OK, lib::matrix('d', a.data(), c.n, c.n, nullptr, 0, 0, result.data(), nullptr, &swaps));
        EXPECT_TRUE(same_bits({c.expected, canary()}, result)) << "only the first element is written";
        EXPECT_EQ(0, swaps) << "the caller's counter is not the nested one";
        EXPECT_TRUE(same_bits(c.a, a));
    }
}

TEST(Determinant, OperandInB) {
    const vec b = {2, 1, 4, 3};
    vec result = canaries(1), result2 = canaries(4);
    ASSERT_EQ(MATRIX_OK, lib::matrix('D', nullptr, 7, 3, b.data(), 2, 2, result.data(), result2.data(), nullptr));
    EXPECT_TRUE(same_bits({2.0}, result));
    EXPECT_TRUE(untouched(result2));
}

TEST(Determinant, ResultMayBeTheOperand) {
    vec a = {2, 1, 4, 3};
    ASSERT_EQ(MATRIX_OK, lib::matrix('d', a.data(), 2, 2, nullptr, 0, 0, a.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({2.0, 1, 4, 3}, a));

    vec b = {1, 2, 3, 2, 5, 1, 4, 1, 2};
    ASSERT_EQ(MATRIX_OK, lib::matrix('d', nullptr, 0, 0, b.data(), 3, 3, b.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({-45.0, 2, 3, 2, 5, 1, 4, 1, 2}, b));
}

}  // namespace
