// Triangularization ("t"): elimination with partial pivoting, the companion, zero pivots, the
// exact rounding of each combination, aliasing and the exchange counter.
#include "matrix_testing.h"

using namespace testing_support;

namespace {

struct triangle_case {
    const char *name;
    uint32_t n;
    vec a;
    vec expected;
    int32_t swaps;
};

const triangle_case kTriangleCases[] = {
    {"one exchange, then elimination", 3, {1, 2, 3, 2, 5, 1, 4, 1, 2}, {4, 1, 2, 0, 4.5, 0, 0, 0, 2.5}, 1},
    {"singular: a zero pivot is left on the diagonal", 2, {1, 2, 2, 4}, {2, 4, 0, 0}, 1},
    {"column of zeros: no exchange, step skipped", 2, {0, 1, 0, 2}, {0, 1, 0, 2}, 0},
    // 1 + 49 * -(1 / 49): the rounded product and the rounded sum leave 2^-53 behind.
    {"residue below the diagonal is kept", 2, {49, 0, 1, 0}, {49, 0, 0x1p-53, 0}, 0},
    // f = -(-0.0 / 2) = +0.0 still combines the row: -0.0 + 1 * +0.0 gives +0.0.
    {"a zero factor still combines the row", 2, {2, 1, -0.0, -0.0}, {2, 1, 0.0, 0.0}, 0},
    {"a zero factor times an infinity gives NaN", 2, {2, inf(), 0, 5}, {2, inf(), 0, qnan()}, 0},
    // Step 0 is skipped (+0.0 pivot, -0.0 below); step 1 exchanges rows 1 and 2 and combines
    // with f = -0.5 from column 1 on: entry (2, 0) keeps its -0.0 (with column 0 included,
    // -0.0 + -0.0 * -0.5 would give +0.0).
    {"combinations start at the pivot column", 3,
     {0, 1, 0, -0.0, 2, 1, -0.0, 4, 1},
     {0, 1, 0, -0.0, 4, 1, -0.0, 0, 0.5},
     1},
    {"a NaN pivot spreads NaN below", 2, {nan_with_payload(7), 1, 3, 4}, {nan_with_payload(7), 1, qnan(), qnan()}, 0},
    {"n = 1", 1, {-0.0}, {-0.0}, 0},
};

TEST(Triangularization, EliminatesBelowEachPivot) {
    for (const triangle_case &c : kTriangleCases) {
        SCOPED_TRACE(c.name);
        vec a = c.a, result = canaries(c.a.size()), result2 = canaries(4);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_OK, lib::matrix('t', a.data(), c.n, c.n, nullptr, 0, 0, result.data(), result2.data(), &swaps));
        EXPECT_TRUE(same_values(c.expected, result));
        EXPECT_EQ(c.swaps, swaps);
        EXPECT_TRUE(same_bits(c.a, a));
        EXPECT_TRUE(untouched(result2)) << "result2 without b is neither read nor written";
    }
}

TEST(Triangularization, CompanionUndergoesTheSameOperations) {
    const vec a = {2, 1, 4, 3};
    const vec b = identity(2);
    vec result = canaries(4), result2 = canaries(4);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('T', a.data(), 2, 2, b.data(), 2, 2, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits({4, 3, 0, -0.5}, result));
    EXPECT_TRUE(same_bits({0, 1, 1, -0.5}, result2));
    EXPECT_EQ(1, swaps);

    // A 3 x 2 companion; rows exchanged at step 0, then combined with f = -0.5 and f = -0.25;
    // step 1 combines with f = -(1.75 / 4.5) and covers both companion columns.
    const vec a3 = {1, 2, 3, 2, 5, 1, 4, 1, 2};
    const vec b3 = {1, -1, 2, -2, 4, 8};
    vec r3 = canaries(9), c3 = canaries(6);
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a3.data(), 3, 3, b3.data(), 3, 2, r3.data(), c3.data(), &swaps));
    EXPECT_TRUE(same_bits({4, 1, 2, 0, 4.5, 0, 0, 0, 2.5}, r3));
    const double f1 = -(1.75 / 4.5);
    // After step 0: rows [4 8], [2 + 4 * -0.5, -2 + 8 * -0.5] = [0 -6], [1 + 4 * -0.25, -1 + 8 * -0.25] = [0 -3].
    EXPECT_TRUE(same_bits({4, 8, 0, -6, 0 + 0 * f1, -3 + -6 * f1}, c3));
    EXPECT_EQ(1, swaps);
}

TEST(Triangularization, NanPivotSpreadsToCompanionRowsBelow) {
    const vec a = {qnan(), 1, 3, 4};
    vec result = canaries(4), result2 = canaries(6);
    const vec b = {1, 2, 3, 4, 5, 6};  // 2 x 3
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 2, 2, b.data(), 2, 3, result.data(), result2.data(), nullptr));
    EXPECT_TRUE(same_values({qnan(), 1, qnan(), qnan()}, result));
    EXPECT_TRUE(same_values({1, 2, 3, qnan(), qnan(), qnan()}, result2));
}

TEST(Triangularization, CompanionWithoutColumnsIsAcceptedAndUntouched) {
    const vec a = {2, 1, 4, 3};
    vec b = canaries(4), result = canaries(4), result2 = canaries(4);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 2, 2, b.data(), 2, 0, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits({4, 3, 0, -0.5}, result));
    EXPECT_TRUE(untouched(result2));
    EXPECT_TRUE(untouched(b));
    EXPECT_EQ(1, swaps);
}

TEST(Triangularization, InPlaceOnOperandAndCompanion) {
    vec a = {2, 1, 4, 3};
    vec b = identity(2);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 2, 2, b.data(), 2, 2, a.data(), b.data(), &swaps));
    EXPECT_TRUE(same_bits({4, 3, 0, -0.5}, a));
    EXPECT_TRUE(same_bits({0, 1, 1, -0.5}, b));
    EXPECT_EQ(1, swaps);

    vec c = {1, 2, 2, 4};
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', c.data(), 2, 2, nullptr, 0, 0, c.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({2, 4, 0, 0}, c));
}

TEST(Triangularization, OrderZeroReadsAndWritesNothing) {
    vec a = canaries(1), b = canaries(1), result = canaries(1), result2 = canaries(1);
    int32_t swaps = kSwapsCanary;
    EXPECT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 0, 0, b.data(), 0, 3, result.data(), result2.data(), &swaps));
    EXPECT_EQ(0, swaps);
    EXPECT_TRUE(untouched(result));
    EXPECT_TRUE(untouched(result2));
    EXPECT_TRUE(untouched(a));
    EXPECT_TRUE(untouched(b));
}

TEST(Triangularization, OrderOneCopiesOperandAndCompanion) {
    const vec a = {nan_with_payload(0x55)}, b = {-0.0, inf()};
    vec result = canaries(1), result2 = canaries(2);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 1, 1, b.data(), 1, 2, result.data(), result2.data(), &swaps));
    EXPECT_TRUE(same_bits(a, result));
    EXPECT_TRUE(same_bits(b, result2));
    EXPECT_EQ(0, swaps);
}

TEST(Triangularization, CounterCountsExchangesAndIsOptional) {
    // Columns 0, 1 and 2 each bring up the row from the bottom: three exchanges.
    const vec a = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 3, 4, 5};
    vec with_counter = canaries(16), without_counter = canaries(16);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 4, 4, nullptr, 0, 0, with_counter.data(), nullptr, &swaps));
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', a.data(), 4, 4, nullptr, 0, 0, without_counter.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits(with_counter, without_counter));
    EXPECT_EQ(3, swaps);
    // Step 0 brings [2 3 4 5] up and leaves [0 -1.5 -2 -2.5] at the bottom, which step 1 brings
    // up in turn (1.5 > 1); step 2 likewise.
    EXPECT_TRUE(same_bits({2, 3, 4, 5}, vec(with_counter.begin(), with_counter.begin() + 4)));
    EXPECT_TRUE(same_bits({0, -1.5, -2, -2.5}, vec(with_counter.begin() + 4, with_counter.begin() + 8)));
}

}  // namespace
