// '+', '-' and '.': argument checks in order, element-by-element arithmetic, results over operands.
#include <cfloat>

#include "matrix_testing.h"

#if defined(__i386__) && defined(__GNUC__) && !defined(__clang__)
// Reference values computed here must round like the library: SSE2 doubles, never the x87 stack.
#pragma GCC target("sse2,fpmath=sse")
#endif

using namespace testing_support;

namespace {

// Two values that straddle a rounding tie: 1 + 2^-53 lies halfway between 1 and its successor.
const double kOne = 1.0;
const double kOneUp = from_bits(0x3ff0000000000001);  // 1 + 2^-52
const double kHalfUlp = from_bits(0x3ca0000000000000);  // 2^-53
const double kMinNormal = DBL_MIN;
const double kMaxSubnormal = from_bits(0x000fffffffffffff);

// ---------------------------------------------------------------------------------------------
// Argument checks.

struct bad_call {
    const char *what;
    bool null_result, null_a, null_b;
    uint32_t a_rows, a_cols, b_rows, b_cols;
    int32_t expected;
};

// Buffers large enough for every shape below; the result is canary-filled, and a call that fails
// must leave it and both operands as they were, and the counter at 0.
void expect_refused(char op, const bad_call &c) {
    SCOPED_TRACE(::testing::Message() << "op '" << op << "': " << c.what);
    const vec a0 = {1.5, -2.5, 3.5, -4.5, 5.5, -6.5};
    const vec b0 = {0.25, 0.5, 0.75, 1.25, 1.5, 1.75};
    vec a = a0, b = b0, result = canaries(8), result2 = canaries(8);
    int32_t swaps = kSwapsCanary;
    EXPECT_EQ(c.expected, lib::matrix(op, c.null_a ? nullptr : a.data(), c.a_rows, c.a_cols,
                                      c.null_b ? nullptr : b.data(), c.b_rows, c.b_cols,
                                      c.null_result ? nullptr : result.data(), result2.data(), &swaps));
    EXPECT_EQ(0, swaps);
    EXPECT_TRUE(untouched(result));
    EXPECT_TRUE(untouched(result2));
    EXPECT_TRUE(same_bits(a0, a));
    EXPECT_TRUE(same_bits(b0, b));
}

TEST(SumAndDifference, ArgumentFaultsComeBeforeShapeFaults) {
    const bad_call calls[] = {
        // Each missing pointer and each zero count, alone and together with unequal shapes.
        {"null result", true, false, false, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"null result, unequal shapes", true, false, false, 2, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"null a", false, true, false, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"null a, unequal shapes", false, true, false, 2, 3, 3, 2, MATRIX_BAD_ARGUMENT},
        {"null b", false, false, true, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"null b, unequal shapes", false, false, true, 2, 3, 1, 1, MATRIX_BAD_ARGUMENT},
        {"all pointers null", true, true, true, 0, 0, 0, 0, MATRIX_BAD_ARGUMENT},
        {"a_rows 0, shapes otherwise equal", false, false, false, 0, 3, 0, 3, MATRIX_BAD_ARGUMENT},
        {"a_cols 0, shapes otherwise equal", false, false, false, 2, 0, 2, 0, MATRIX_BAD_ARGUMENT},
        {"a_rows 0 only", false, false, false, 0, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"a_cols 0 only", false, false, false, 2, 0, 2, 3, MATRIX_BAD_ARGUMENT},
        {"b_rows 0 only", false, false, false, 2, 3, 0, 3, MATRIX_BAD_ARGUMENT},
        {"b_cols 0 only", false, false, false, 2, 3, 2, 0, MATRIX_BAD_ARGUMENT},
        {"all counts 0", false, false, false, 0, 0, 0, 0, MATRIX_BAD_ARGUMENT},
        // Shapes must be equal, not merely hold the same number of elements.
        {"2x3 and 3x2", false, false, false, 2, 3, 3, 2, MATRIX_SHAPE_MISMATCH},
        {"1x6 and 6x1", false, false, false, 1, 6, 6, 1, MATRIX_SHAPE_MISMATCH},
        {"rows differ", false, false, false, 2, 3, 1, 3, MATRIX_SHAPE_MISMATCH},
        {"columns differ", false, false, false, 2, 3, 2, 2, MATRIX_SHAPE_MISMATCH},
        {"1x1 and 2x3", false, false, false, 1, 1, 2, 3, MATRIX_SHAPE_MISMATCH},
    };
    for (char op : {'+', '-'}) {
        for (const bad_call &c : calls) {
            expect_refused(op, c);
        }
    }
}

TEST(Scaling, ArgumentFaultsComeBeforeShapeFaults) {
    const bad_call calls[] = {
        {"null result", true, false, false, 2, 3, 1, 1, MATRIX_BAD_ARGUMENT},
        {"null result, no scalar", true, false, false, 1, 3, 1, 3, MATRIX_BAD_ARGUMENT},
        {"null a", false, true, false, 2, 3, 1, 1, MATRIX_BAD_ARGUMENT},
        {"null a, no scalar", false, true, false, 2, 2, 1, 2, MATRIX_BAD_ARGUMENT},
        {"null b", false, false, true, 2, 3, 1, 1, MATRIX_BAD_ARGUMENT},
        {"null b, scalar in a", false, false, true, 1, 1, 2, 3, MATRIX_BAD_ARGUMENT},
        // A zero count is refused even where the other operand is a valid scalar.
        {"a_rows 0, scalar in b", false, false, false, 0, 3, 1, 1, MATRIX_BAD_ARGUMENT},
        {"a_cols 0, scalar in b", false, false, false, 3, 0, 1, 1, MATRIX_BAD_ARGUMENT},
        {"b_rows 0, scalar in a", false, false, false, 1, 1, 0, 2, MATRIX_BAD_ARGUMENT},
        {"b_cols 0, scalar in a", false, false, false, 1, 1, 2, 0, MATRIX_BAD_ARGUMENT},
        {"a_rows 0, no scalar", false, false, false, 0, 3, 1, 3, MATRIX_BAD_ARGUMENT},
        {"b_cols 0, no scalar", false, false, false, 1, 3, 1, 0, MATRIX_BAD_ARGUMENT},
        // Only a 1-by-1 operand is a scalar.
        {"1x3 and 1x3", false, false, false, 1, 3, 1, 3, MATRIX_SHAPE_MISMATCH},
        {"2x2 and 1x2", false, false, false, 2, 2, 1, 2, MATRIX_SHAPE_MISMATCH},
        {"2x1 and 1x2", false, false, false, 2, 1, 1, 2, MATRIX_SHAPE_MISMATCH},
        {"1x2 and 2x3", false, false, false, 1, 2, 2, 3, MATRIX_SHAPE_MISMATCH},
    };
    for (const bad_call &c : calls) {
        expect_refused('.', c);
    }
}

// ---------------------------------------------------------------------------------------------
// Sum and difference: one element per case, so one call checks them all in index order.

struct pair_case {
    const char *what;
    double x, y;
    double sum;         // x + y
    double difference;  // x - y
};

const pair_case kPairs[] = {
    {"+0 and -0", 0.0, -0.0, 0.0, 0.0},
    {"-0 and +0", -0.0, 0.0, 0.0, -0.0},
    {"-0 and -0", -0.0, -0.0, -0.0, 0.0},
    {"+0 and +0", 0.0, 0.0, 0.0, 0.0},
    {"operand order", 1.0, 3.0, 4.0, -2.0},
    {"x and -x", 2.5, -2.5, 0.0, 5.0},
    {"inf and inf", inf(), inf(), inf(), qnan()},
    {"inf and -inf", inf(), -inf(), qnan(), inf()},
    {"-inf and finite", -inf(), 7.0, -inf(), -inf()},
    {"NaN payload and finite", nan_with_payload(0x1234), 1.0, qnan(), qnan()},
    {"finite and NaN payload", 1.0, nan_with_payload(0x4321), qnan(), qnan()},
    {"overflow", DBL_MAX, DBL_MAX, inf(), 0.0},
    {"overflow of the difference", DBL_MAX, -DBL_MAX, 0.0, inf()},
    {"subnormals", min_subnormal(), min_subnormal(), 2 * min_subnormal(), 0.0},
    {"normal to subnormal", kMinNormal, min_subnormal(), from_bits(0x0010000000000001), kMaxSubnormal},
    {"tie to even, down", kOne, kHalfUlp, kOne, from_bits(0x3fefffffffffffff)},
    {"tie to even, up", kOneUp, kHalfUlp, from_bits(0x3ff0000000000002), kOne},
    {"cancellation", 1e16, -1e16 + 2.0, 2.0, 2e16},
};

vec column(double pair_case::*field) {
    vec v;
    for (const pair_case &c : kPairs) {
        v.push_back(c.*field);
    }
    return v;
}

class SumAndDifference : public ::testing::TestWithParam<char> {
protected:
    char op() const { return GetParam(); }
    vec expected() const { return column(op() == '+' ? &pair_case::sum : &pair_case::difference); }
};

TEST_P(SumAndDifference, EachElementIsOneRoundedOperation) {
    const vec x = column(&pair_case::x), y = column(&pair_case::y), want = expected();
    const size_t n = x.size();
    // The same elements under two shapes with n elements; the buffer has room past them.
    for (uint32_t rows : {1u, static_cast<uint32_t>(n / 2)}) {
        const uint32_t cols = static_cast<uint32_t>(n) / rows;
        SCOPED_TRACE(::testing::Message() << rows << "x" << cols);
        vec a = x, b = y, result = canaries(n + 3);
        int32_t swaps = kSwapsCanary;
        ASSERT_EQ(MATRIX_OK, lib::matrix(op(), a.data(), rows, cols, b.data(), rows, cols, result.data(),
                                         nullptr, &swaps));
        EXPECT_TRUE(same_values(want, vec(result.begin(), result.begin() + n)));
        EXPECT_TRUE(untouched(vec(result.begin() + n, result.end())));
        EXPECT_TRUE(same_bits(x, a));
        EXPECT_TRUE(same_bits(y, b));
        EXPECT_EQ(0, swaps);
    }
    for (size_t k = 0; k < n; ++k) {
        SCOPED_TRACE(kPairs[k].what);
        double one = canary();
        ASSERT_EQ(MATRIX_OK, lib::matrix(op(), &x[k], 1, 1, &y[k], 1, 1, &one, nullptr, nullptr));
        EXPECT_TRUE(same_values({want[k]}, {one}));
    }
}

TEST_P(SumAndDifference, ResultMayBeEitherOperandOrBoth) {
    const vec x = column(&pair_case::x), y = column(&pair_case::y), want = expected();
    const uint32_t rows = 2, cols = static_cast<uint32_t>(x.size() / 2);
    {
        SCOPED_TRACE("result is a");
        vec a = x, b = y;
        ASSERT_EQ(MATRIX_OK, lib::matrix(op(), a.data(), rows, cols, b.data(), rows, cols, a.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(want, a));
        EXPECT_TRUE(same_bits(y, b));
    }
    {
        SCOPED_TRACE("result is b");
        vec a = x, b = y;
        ASSERT_EQ(MATRIX_OK, lib::matrix(op(), a.data(), rows, cols, b.data(), rows, cols, b.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(want, b));
        EXPECT_TRUE(same_bits(x, a));
    }
    {
        SCOPED_TRACE("result is a and b");
        // "+" doubles every element; "-" gives +0.0 for every finite element (-0.0 included) and
        // NaN for infinities and NaNs.
        vec m = x;
        vec doubled_or_zero;
        for (double v : x) {
            doubled_or_zero.push_back(op() == '+' ? v + v : v - v);
        }
        ASSERT_EQ(MATRIX_OK, lib::matrix(op(), m.data(), rows, cols, m.data(), rows, cols, m.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(doubled_or_zero, m));
        if (op() == '-') {
            EXPECT_EQ(0u, bits(m[2]));  // -0.0 - -0.0
            EXPECT_TRUE(m[6] != m[6]);  // inf - inf
        } else {
            EXPECT_TRUE(same_bits({-0.0, inf()}, {m[2], m[6]}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ops, SumAndDifference, ::testing::Values('+', '-'),
                         [](const ::testing::TestParamInfo<char> &info) {
                             return std::string(info.param == '+' ? "Sum" : "Difference");
                         });

// ---------------------------------------------------------------------------------------------
// Scaling.

struct scale_case {
    const char *what;
    double x;
    double product;  // kScalar * x
};

// Half of the smallest subnormal is a tie between +0.0 and it; 3/2 of it is a tie between 1 and 2
// of it: both round to the even neighbour.
const double kScalar = 0.5;
const scale_case kScaled[] = {
    {"-0", -0.0, -0.0},
    {"+0", 0.0, 0.0},
    {"negative", -3.0, -1.5},
    {"inf", inf(), inf()},
    {"-inf", -inf(), -inf()},
    {"NaN payload", nan_with_payload(0xbeef), qnan()},
    {"subnormal tie to zero", min_subnormal(), 0.0},
    {"negative subnormal tie to zero", -min_subnormal(), -0.0},
    {"subnormal tie to even", 3 * min_subnormal(), 2 * min_subnormal()},
    {"normal to subnormal", kMinNormal, from_bits(0x0008000000000000)},
    {"largest", DBL_MAX, from_bits(0x7fdfffffffffffff)},
};

vec scaled_inputs() {
    vec v;
    for (const scale_case &c : kScaled) v.push_back(c.x);
    return v;
}
vec scaled_products() {
    vec v;
    for (const scale_case &c : kScaled) v.push_back(c.product);
    return v;
}

TEST(Scaling, EachElementIsTheRoundedProductWithTheScalar) {
    const vec x = scaled_inputs(), want = scaled_products();
    const uint32_t n = static_cast<uint32_t>(x.size());
    const double s = kScalar;
    {
        SCOPED_TRACE("scalar in b, a scaled as 1 x n");
        vec a = x, result = canaries(n + 2);
        double scalar = s;
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', a.data(), 1, n, &scalar, 1, 1, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(want, vec(result.begin(), result.begin() + n)));
        EXPECT_TRUE(untouched(vec(result.begin() + n, result.end())));
        EXPECT_TRUE(same_bits(x, a));
    }
    {
        SCOPED_TRACE("scalar in a, b scaled as n x 1");
        vec b = x, result = canaries(n + 2);
        double scalar = s;
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', &scalar, 1, 1, b.data(), n, 1, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(want, vec(result.begin(), result.begin() + n)));
        EXPECT_TRUE(untouched(vec(result.begin() + n, result.end())));
        EXPECT_TRUE(same_bits(x, b));
    }
    // Special scalars.
    const struct {
        const char *what;
        double scalar;
        vec x, product;
    } scalars[] = {
        {"scalar -0", -0.0, {2.0, -2.0, 0.0, inf()}, {-0.0, 0.0, -0.0, qnan()}},
        {"scalar inf", inf(), {2.0, -0.0, -1e-300}, {inf(), qnan(), -inf()}},
        {"scalar 2 overflows", 2.0, {DBL_MAX, -DBL_MAX}, {inf(), -inf()}},
        {"scalar NaN", nan_with_payload(0x77), {1.0, 0.0}, {qnan(), qnan()}},
        {"inexact product", kOneUp, {kOneUp, 3.0}, {from_bits(0x3ff0000000000002), from_bits(0x4008000000000002)}},
    };
    for (const auto &c : scalars) {
        SCOPED_TRACE(c.what);
        const uint32_t m = static_cast<uint32_t>(c.x.size());
        vec a = c.x, result = canaries(m);
        double scalar = c.scalar;
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', a.data(), m, 1, &scalar, 1, 1, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(c.product, result));
        result = canaries(m);
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', &scalar, 1, 1, a.data(), 1, m, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(c.product, result));
    }
}

TEST(Scaling, ResultTakesTheShapeOfTheScaledOperand) {
    const vec m6 = {1, 2, 3, 4, 5, 6};
    const vec twice = {2, 4, 6, 8, 10, 12};
    double two = 2.0;
    {
        SCOPED_TRACE("2x3 a, 1x1 b");
        vec result = canaries(9);
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', m6.data(), 2, 3, &two, 1, 1, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(twice, vec(result.begin(), result.begin() + 6)));
        EXPECT_TRUE(untouched(vec(result.begin() + 6, result.end())));
    }
    {
        SCOPED_TRACE("1x1 a, 3x2 b");
        vec result = canaries(9);
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', &two, 1, 1, m6.data(), 3, 2, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits(twice, vec(result.begin(), result.begin() + 6)));
        EXPECT_TRUE(untouched(vec(result.begin() + 6, result.end())));
    }
    {
        SCOPED_TRACE("1x1 a, 1x1 b: one element");
        double three = 3.0;
        vec result = canaries(4);
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', &three, 1, 1, &two, 1, 1, result.data(), nullptr, nullptr));
        EXPECT_TRUE(same_bits({6.0}, {result[0]}));
        EXPECT_TRUE(untouched(vec(result.begin() + 1, result.end())));
    }
}

TEST(Scaling, InPlaceThroughEitherOperand) {
    const vec x = scaled_inputs(), want = scaled_products();
    const uint32_t n = static_cast<uint32_t>(x.size());
    {
        SCOPED_TRACE("result is a, scalar in b");
        vec a = x;
        double scalar = kScalar;
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', a.data(), 1, n, &scalar, 1, 1, a.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(want, a));
        EXPECT_EQ(bits(kScalar), bits(scalar));
    }
    {
        SCOPED_TRACE("result is b, scalar in a");
        vec b = x;
        double scalar = kScalar;
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', &scalar, 1, 1, b.data(), n, 1, b.data(), nullptr, nullptr));
        EXPECT_TRUE(same_values(want, b));
        EXPECT_EQ(bits(kScalar), bits(scalar));
    }
    // Two 1-by-1 operands: the result may be either of them, or both when they are one buffer.
    const struct {
        const char *what;
        int target;  // 0: a, 1: b, 2: a and b are the same buffer
    } singles[] = {{"1x1 in place over a", 0}, {"1x1 in place over b", 1}, {"1x1 squared in place", 2}};
    for (const auto &c : singles) {
        SCOPED_TRACE(c.what);
        double a = 3.0, b = -0.25;
        double *pa = &a;
        double *pb = c.target == 2 ? &a : &b;
        double *out = c.target == 1 ? pb : pa;
        ASSERT_EQ(MATRIX_OK, lib::matrix('.', pa, 1, 1, pb, 1, 1, out, nullptr, nullptr));
        if (c.target == 2) {
            EXPECT_EQ(bits(9.0), bits(a));
        } else {
            EXPECT_EQ(bits(-0.75), bits(*out));
            EXPECT_EQ(bits(c.target == 0 ? -0.25 : 3.0), bits(c.target == 0 ? b : a));
        }
    }
}

}  // namespace
