// Row pivoting ("v"): the argument checks it shares with "t", the pivot search, the companion,
// aliasing and the exchange counter.
#include "argument_checks.h"

using namespace testing_support;

namespace {

// ---------------------------------------------------------------------------------------------
// Argument checks of "v" and "t": the first fault found decides the status, nothing is written.

const check_case kRowCheckCases[] = {
    {"a null", false, false, true, true, 2, 2, 0, 0, MATRIX_BAD_ARGUMENT},
    {"a null, b given in its place", false, true, true, true, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
    {"result null", true, false, false, true, 2, 2, 0, 0, MATRIX_BAD_ARGUMENT},
    {"result null, b and result2 given", true, true, false, true, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
    {"b given, result2 null", true, true, true, false, 2, 2, 2, 2, MATRIX_BAD_ARGUMENT},
    {"a not square", true, false, true, true, 2, 3, 0, 0, MATRIX_SHAPE_MISMATCH},
    {"companion rows differ", true, true, true, true, 2, 2, 3, 1, MATRIX_SHAPE_MISMATCH},
    {"companion rows differ, n = 0", true, true, true, true, 0, 0, 1, 1, MATRIX_SHAPE_MISMATCH},
    {"a null and not square", false, false, true, true, 2, 3, 0, 0, MATRIX_BAD_ARGUMENT},
    {"result null and a not square", true, false, false, true, 3, 2, 0, 0, MATRIX_BAD_ARGUMENT},
    {"result2 null and companion rows differ", true, true, true, false, 2, 2, 3, 2, MATRIX_BAD_ARGUMENT},
    {"result2 null and a not square", true, true, true, false, 2, 3, 2, 2, MATRIX_BAD_ARGUMENT},
};

class RowOperationChecks : public ::testing::TestWithParam<char> {};

TEST_P(RowOperationChecks, FirstFaultDecidesAndNothingIsWritten) { expect_rejected(GetParam(), kRowCheckCases); }

INSTANTIATE_TEST_SUITE_P(VandT, RowOperationChecks, ::testing::Values('v', 'V', 't', 'T'));

// ---------------------------------------------------------------------------------------------
// The pivot search: strict ordered comparison of magnitudes, first of the largest wins.

const double kNanA = nan_with_payload(0x1234);      // a quiet NaN with its own payload
const double kSignalling = from_bits(0x7ff0000000000bad);  // moved only, never computed with

struct reorder_case {
    const char *name;
    uint32_t n;
    vec a;
    vec expected;
    int32_t swaps;
};

const reorder_case kReorderCases[] = {
    {"larger entry below", 2, {1, 2, 3, 4}, {3, 4, 1, 2}, 1},
    {"greedy over columns, rows carried whole",
     3,
     {1, 5, 0, -2, 0, 1, 2, 7, 3},
     {-2, 0, 1, 2, 7, 3, 1, 5, 0},
     2},
    {"equal magnitude below does not displace the diagonal", 2, {-2, 1, 2, 9}, {-2, 1, 2, 9}, 0},
    {"first of equal magnitudes below wins", 3, {1, 0, 0, -3, 1, 0, 3, 0, 1}, {-3, 1, 0, 1, 0, 0, 3, 0, 1}, 1},
    {"NaN on the diagonal is never exchanged",
     3,
     {kNanA, 1, 2, 5, 6, 7, -inf(), 8, 9},
     {kNanA, 1, 2, -inf(), 8, 9, 5, 6, 7},
     1},
    {"NaN below is skipped", 3, {1, 0, 0, kNanA, 1, 0, 2, 0, 1}, {2, 0, 1, kNanA, 1, 0, 1, 0, 0}, 1},
    {"NaN below never moves up by its own column", 2, {1, 7, kNanA, 8}, {1, 7, kNanA, 8}, 0},
    {"+0.0 on the diagonal, -0.0 and NaN below", 3,
     {0.0, 1, 2, -0.0, 3, 4, kNanA, 5, 6},
     {0.0, 1, 2, kNanA, 5, 6, -0.0, 3, 4},
     1},
    {"-0.0 on the diagonal, +0.0 below", 2, {-0.0, 1, 0.0, 2}, {-0.0, 1, 0.0, 2}, 0},
    {"a subnormal beats zero", 2, {-0.0, 1, -min_subnormal(), 2}, {-min_subnormal(), 2, -0.0, 1}, 1},
    {"an infinity beats the largest finite value", 2,
     {std::numeric_limits<double>::max(), 1, -inf(), 2},
     {-inf(), 2, std::numeric_limits<double>::max(), 1},
     1},
    {"equal infinities stay", 2, {inf(), 1, -inf(), 2}, {inf(), 1, -inf(), 2}, 0},
    {"values move bit for bit", 2,
     {1, kSignalling, 2, -0.0},
     {2, -0.0, 1, kSignalling},
     1},
    {"n = 1 keeps even a NaN", 1, {kSignalling}, {kSignalling}, 0},
};

TEST(Pivoting, ReordersRowsByTheSearchRule) {
    for (const reorder_case &c : kReorderCases) {
        SCOPED_TRACE(c.name);
        vec a = c.a, result = canaries(c.a.size()), result2 = canaries(4);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_OK, lib::matrix('v', a.data(), c.n, c.n, nullptr, 0, 0, result.data(), result2.data(), &swaps));
        EXPECT_TRUE(same_bits(c.expected, result));
        EXPECT_EQ(c.swaps, swaps);
        EXPECT_TRUE(same_bits(c.a, a));
        EXPECT_TRUE(untouched(result2)) << "result2 without b is neither read nor written";
    }
}

TEST(Pivoting, CountsTheExchangesOfThisCall) {
    const vec a = {1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 3, 0, 9, 8, 7, 6};
    vec result = canaries(16);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 4, 4, nullptr, 0, 0, result.data(), nullptr, &swaps));
    // Step 0 exchanges rows 0 and 3: [9 8 7 6], [0 2 0 0], [0 0 3 0], [1 0 0 0]. Column 1: 2 beats 0, no move.
    // Column 2: 3 beats 0, no move.
    EXPECT_TRUE(same_bits({9, 8, 7, 6, 0, 2, 0, 0, 0, 0, 3, 0, 1, 0, 0, 0}, result));
    EXPECT_EQ(1, swaps);

    const vec b = {1, 9, 9, 9, 2, 1, 9, 9, 3, 2, 1, 9, 4, 3, 2, 1};
    ASSERT_EQ(MATRIX_OK, lib::matrix('V', b.data(), 4, 4, nullptr, 0, 0, result.data(), nullptr, &swaps));
    // Column 0: row 3 -> [4 3 2 1], [2 1 9 9], [3 2 1 9], [1 9 9 9]; column 1: 9 at row 3 ->
    // [4 3 2 1], [1 9 9 9], [3 2 1 9], [2 1 9 9]; column 2: 9 at row 3 -> rows 2 and 3 exchange.
    EXPECT_TRUE(same_bits({4, 3, 2, 1, 1, 9, 9, 9, 2, 1, 9, 9, 3, 2, 1, 9}, result));
    EXPECT_EQ(3, swaps);
}

// ---------------------------------------------------------------------------------------------
// Companion, aliasing, counter and n = 0.

TEST(Pivoting, CompanionRowsFollowTheExchanges) {
    const vec a = {1, 5, 0, -2, 0, 1, 2, 7, 3};
    const vec b = {10, 11, -0.0, 20, 21, kSignalling, 30, 31, 32};  // 3 x 3 read as 3 rows
    const vec b_wide = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};      // 3 x 4
    vec result = canaries(9), result2 = canaries(12);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 3, 3, b.data(), 3, 3, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits({-2, 0, 1, 2, 7, 3, 1, 5, 0}, result));
    EXPECT_TRUE(same_bits({20, 21, kSignalling, 30, 31, 32, 10, 11, -0.0, canary(), canary(), canary()}, result2));
    EXPECT_EQ(2, swaps);

    result2 = canaries(12);
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 3, 3, b_wide.data(), 3, 4, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits({5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3, 4}, result2));

    vec one_column = canaries(3);
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 3, 3, b_wide.data(), 3, 1, result.data(), one_column.data(), &swaps));
    EXPECT_TRUE(same_bits({2, 3, 1}, one_column)) << "b read as 3 x 1";
}

TEST(Pivoting, CompanionWithoutColumnsIsAcceptedAndUntouched) {
    const vec a = {1, 2, 3, 4};
    vec b = canaries(4), result = canaries(4), result2 = canaries(4);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 2, 2, b.data(), 2, 0, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits({3, 4, 1, 2}, result));
    EXPECT_TRUE(untouched(result2));
    EXPECT_TRUE(untouched(b));
    EXPECT_EQ(1, swaps);
}

TEST(Pivoting, InPlaceOnOperandAndCompanion) {
    vec a = {1, 5, 0, -2, 0, 1, 2, 7, 3};
    vec b = {1, 2, 3, 4, 5, 6};  // 3 x 2
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 3, 3, b.data(), 3, 2, a.data(), b.data(), &swaps));
    EXPECT_TRUE(same_bits({-2, 0, 1, 2, 7, 3, 1, 5, 0}, a));
    EXPECT_TRUE(same_bits({3, 4, 5, 6, 1, 2}, b));
    EXPECT_EQ(2, swaps);

    // Only the operand in place, the companion copied.
    vec c = {1, 2, 3, 4}, d = {7, 8}, d_out = canaries(2);
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', c.data(), 2, 2, d.data(), 2, 1, c.data(), d_out.data(), nullptr));
    EXPECT_TRUE(same_bits({3, 4, 1, 2}, c));
    EXPECT_TRUE(same_bits({8, 7}, d_out));
    EXPECT_TRUE(same_bits({7, 8}, d));
}

TEST(Pivoting, WithoutCounterRowsAreStillReordered) {
    const vec a = {1, 2, 3, 4};
    vec result = canaries(4);
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 2, 2, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({3, 4, 1, 2}, result));
}

TEST(Pivoting, OrderZeroReadsAndWritesNothing) {
    vec a = canaries(1), b = canaries(1), result = canaries(1), result2 = canaries(1);
    int32_t swaps = kSwapsCanary;
    EXPECT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 0, 0, b.data(), 0, 5, result.data(), result2.data(), &swaps));
    EXPECT_EQ(0, swaps);
    EXPECT_TRUE(untouched(result));
    EXPECT_TRUE(untouched(result2));
    swaps = kSwapsCanary;
    EXPECT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 0, 0, nullptr, 7, 7, result.data(), nullptr, &swaps));
    EXPECT_EQ(0, swaps);
    EXPECT_TRUE(untouched(result));
}

TEST(Pivoting, OrderOneCopiesBitForBit) {
    const vec a = {kNanA}, b = {-0.0, kSignalling, inf()};
    vec result = canaries(1), result2 = canaries(3);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 1, 1, b.data(), 1, 3, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits(a, result));
    EXPECT_TRUE(same_bits(b, result2));
    EXPECT_EQ(0, swaps);
}

}  // namespace
