// Refused scratch requests in pivoting, triangularization, determinant and inverse: each request
// is refused in turn; the call returns MATRIX_NO_MEMORY, keeps the work done until then, counts
// the exchanges made until then and holds no scratch afterwards.
#include "matrix_testing.h"
#include "test_heap.h"

using namespace testing_support;

namespace {

class EliminationHeap : public ::testing::Test {
protected:
    void SetUp() override { test_heap::reset(); }
    void TearDown() override { test_heap::reset(); }
};

// Rows of the 4 x 4 operand below, indexed by their original position.
const vec kRows[4] = {{1, 9, 9, 9}, {2, 1, 9, 9}, {3, 2, 1, 9}, {4, 3, 2, 1}};

// The row order of that operand after 0, 1, 2 and 3 pivot steps; every step but the last exchanges.
const int kOrderAfter[4][4] = {{0, 1, 2, 3}, {3, 1, 2, 0}, {3, 0, 2, 1}, {3, 0, 1, 2}};

vec rows_in_order(const int order[4]) {
    vec m;
    for (int r = 0; r < 4; ++r) {
        m.insert(m.end(), kRows[order[r]].begin(), kRows[order[r]].end());
    }
    return m;
}

TEST_F(EliminationHeap, PivotingTakesOneRequestPerColumn) {
    const int none[4] = {0, 1, 2, 3};
    const vec a = rows_in_order(none);
    vec result = canaries(16);
    int32_t swaps = kSwapsCanary;
    ASSERT_EQ(MATRIX_OK, lib::matrix('v', a.data(), 4, 4, nullptr, 0, 0, result.data(), nullptr, &swaps));
    EXPECT_TRUE(same_bits(rows_in_order(kOrderAfter[3]), result));
    EXPECT_EQ(3, swaps);
    EXPECT_EQ(4, test_heap::requests()) << "the last column takes its one-entry buffer too";
    EXPECT_EQ(0, test_heap::outstanding());
}

TEST_F(EliminationHeap, PivotingStopsAtTheRefusedStep) {
    const int none[4] = {0, 1, 2, 3};
    const vec a = rows_in_order(none);
    const vec b = {0, 1, 2, 3};  // 4 x 1 companion: follows the row order
    for (long refused = 1; refused <= 4; ++refused) {
        SCOPED_TRACE(::testing::Message() << "request " << refused << " refused");
        test_heap::reset();
        test_heap::fail_request(refused);
        vec result = canaries(16), result2 = canaries(4);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('v', a.data(), 4, 4, b.data(), 4, 1, result.data(), result2.data(), &swaps));
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(refused, test_heap::requests()) << "no step runs after the refused one";
        EXPECT_EQ(0, test_heap::outstanding());
        const int *order = kOrderAfter[refused - 1];
        EXPECT_TRUE(same_bits(rows_in_order(order), result));
        EXPECT_TRUE(same_bits({double(order[0]), double(order[1]), double(order[2]), double(order[3])}, result2));
        EXPECT_EQ(refused - 1, swaps);
    }
}

TEST_F(EliminationHeap, PivotingWithoutCounterStopsToo) {
    const int none[4] = {0, 1, 2, 3};
    vec a = rows_in_order(none);
    test_heap::fail_request(2);
    EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('v', a.data(), 4, 4, nullptr, 0, 0, a.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits(rows_in_order(kOrderAfter[1]), a));
    EXPECT_EQ(0, test_heap::outstanding());
}

// [[1, 2, 3], [2, 5, 1], [4, 1, 2]] with the identity as companion, after 0, 1 and 2 (= all) steps.
struct elimination_state {
    vec result;
    vec result2;
    int32_t swaps;
};

const vec kA = {1, 2, 3, 2, 5, 1, 4, 1, 2};

std::vector<elimination_state> elimination_states() {
    const double f1 = -(1.75 / 4.5);
    return {
        {kA, identity(3), 0},
        // Step 0: rows 0 and 2 exchange, then f = -0.5 for row 1 and f = -0.25 for row 2.
        {{4, 1, 2, 0, 4.5, 0, 0, 1.75, 2.5}, {0, 0, 1, 0, 1, -0.5, 1, 0, -0.25}, 1},
        // Step 1: no exchange, f = -(1.75 / 4.5) for row 2.
        {{4, 1, 2, 0, 4.5, 0, 0, 1.75 + 4.5 * f1, 2.5 + 0 * f1},
         {0, 0, 1, 0, 1, -0.5, 1 + 0 * f1, 0 + 1 * f1, -0.25 + -0.5 * f1},
         1},
    };
}

TEST_F(EliminationHeap, TriangularizationStopsAtTheRefusedStep) {
    const auto states = elimination_states();
    for (long refused = 1; refused <= 3; ++refused) {
        SCOPED_TRACE(::testing::Message() << "request " << refused << " refused");
        test_heap::reset();
        test_heap::fail_request(refused);
        const vec b = identity(3);
        vec result = canaries(9), result2 = canaries(9);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('t', kA.data(), 3, 3, b.data(), 3, 3, result.data(), result2.data(), &swaps));
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(refused, test_heap::requests());
        EXPECT_EQ(0, test_heap::outstanding());
        const elimination_state &s = states[refused - 1];
        EXPECT_TRUE(same_bits(s.result, result));
        EXPECT_TRUE(same_bits(s.result2, result2));
        EXPECT_EQ(s.swaps, swaps);
    }
    // Nothing refused: three requests, the last state is the outcome.
    test_heap::reset();
    const vec b = identity(3);
    vec result = canaries(9), result2 = canaries(9);
    ASSERT_EQ(MATRIX_OK, lib::matrix('t', kA.data(), 3, 3, b.data(), 3, 3, result.data(), result2.data(), nullptr));
    EXPECT_EQ(3, test_heap::requests());
    EXPECT_EQ(0, test_heap::outstanding());
    EXPECT_TRUE(same_bits(states[2].result, result));
    EXPECT_TRUE(same_bits(states[2].result2, result2));
}

TEST_F(EliminationHeap, DeterminantWritesNothingWhenAnyRequestIsRefused) {
    // Request 1 is the determinant's own buffer, requests 2 to 4 the pivot steps of the nested
    // triangularization.
    for (long refused = 1; refused <= 4; ++refused) {
        SCOPED_TRACE(::testing::Message() << "request " << refused << " refused");
        test_heap::reset();
        test_heap::fail_request(refused);
        vec result = canaries(1);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('d', kA.data(), 3, 3, nullptr, 0, 0, result.data(), nullptr, &swaps));
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(refused, test_heap::requests());
        EXPECT_EQ(0, test_heap::outstanding());
        EXPECT_TRUE(untouched(result));
        EXPECT_EQ(0, swaps);
    }
    test_heap::reset();
    vec result = canaries(1);
    ASSERT_EQ(MATRIX_OK, lib::matrix('d', kA.data(), 3, 3, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({-45.0}, result));
    EXPECT_EQ(4, test_heap::requests());
    EXPECT_EQ(0, test_heap::outstanding());
}

TEST_F(EliminationHeap, DeterminantInPlaceKeepsTheOperandWhenRefused) {
    vec a = kA;
    test_heap::fail_request(3);
    EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('d', a.data(), 3, 3, nullptr, 0, 0, a.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits(kA, a));
    EXPECT_EQ(0, test_heap::outstanding());
}

TEST_F(EliminationHeap, InverseKeepsTheEliminationDoneWhenAPivotStepIsRefused) {
    const auto states = elimination_states();
    {
        SCOPED_TRACE("request 1 (the inverse's own buffer) refused");
        test_heap::fail_request(1);
        vec result = canaries(9);
        EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('i', kA.data(), 3, 3, nullptr, 0, 0, result.data(), nullptr, nullptr));
        EXPECT_TRUE(untouched(result));
        EXPECT_EQ(1, test_heap::requests());
        EXPECT_EQ(0, test_heap::outstanding());
    }
    for (long refused = 2; refused <= 4; ++refused) {
        SCOPED_TRACE(::testing::Message() << "request " << refused << " refused");
        test_heap::reset();
        test_heap::fail_request(refused);
        vec result = canaries(9), result2 = canaries(9);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('i', kA.data(), 3, 3, nullptr, 0, 0, result.data(), result2.data(), &swaps));
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(refused, test_heap::requests());
        EXPECT_EQ(0, test_heap::outstanding());
        EXPECT_TRUE(same_bits(states[refused - 2].result, result)) << "no exchange step, no back substitution";
        EXPECT_TRUE(untouched(result2));
        EXPECT_EQ(0, swaps);
    }
    test_heap::reset();
    vec result = canaries(9);
    ASSERT_EQ(MATRIX_OK, lib::matrix('i', kA.data(), 3, 3, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_EQ(4, test_heap::requests());
    EXPECT_EQ(0, test_heap::outstanding());
}

TEST_F(EliminationHeap, InverseReleasesOnZeroDivisorAndAtOrderZero) {
    const vec s = {1, 2, 2, 4};
    vec result = canaries(4);
    EXPECT_EQ(MATRIX_ZERO_DIVISOR, lib::matrix('i', s.data(), 2, 2, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_EQ(3, test_heap::requests());
    EXPECT_EQ(0, test_heap::outstanding());

    // Order 0: one request of zero bytes, which succeeds; refused, the call reports it.
    test_heap::reset();
    vec a = canaries(1), out = canaries(1);
    EXPECT_EQ(MATRIX_OK, lib::matrix('i', a.data(), 0, 0, nullptr, 0, 0, out.data(), nullptr, nullptr));
    EXPECT_EQ(1, test_heap::requests());
    EXPECT_EQ(0, test_heap::outstanding());
    test_heap::reset();
    test_heap::fail_request(1);
    EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('i', a.data(), 0, 0, nullptr, 0, 0, out.data(), nullptr, nullptr));
    EXPECT_EQ(0, test_heap::outstanding());
    EXPECT_TRUE(untouched(out));
}

TEST_F(EliminationHeap, OrderZeroPivotingAndTriangularizationTakeNothing) {
    vec a = canaries(1), result = canaries(1);
    for (char op : {'v', 't'}) {
        test_heap::reset();
        test_heap::fail_request(1);
        EXPECT_EQ(MATRIX_OK, lib::matrix(op, a.data(), 0, 0, nullptr, 0, 0, result.data(), nullptr, nullptr)) << op;
        EXPECT_EQ(0, test_heap::requests()) << op;
    }
}

}  // namespace
