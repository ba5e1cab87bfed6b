// Refused pivot steps in the blocked elimination: a refusal in the middle of a panel must leave
// result, result2 and the exchange count exactly as the step-by-step elimination leaves them
// when the same request is refused, so the work that the panel still owed is applied before the
// call returns. The step-by-step build runs on the same counting allocator (reference.cmake), and
// every request of 't', 'd' and 'i' on orders of several panels is refused in turn.
#include <random>
#include <string>

#include "matrix_testing.h"
#include "test_heap.h"

extern "C" int32_t dorvane_reference_counted_matrix(int32_t op, const double *a, uint32_t a_rows,
                                                    uint32_t a_cols, const double *b, uint32_t b_rows,
                                                    uint32_t b_cols, double *result, double *result2,
                                                    int32_t *swaps);

using namespace testing_support;

namespace {

class BlockedEliminationHeap : public ::testing::Test {
protected:
    void SetUp() override { test_heap::reset(); }
    void TearDown() override { test_heap::reset(); }
};

using entry = int32_t (*)(int32_t, const double *, uint32_t, uint32_t, const double *, uint32_t, uint32_t,
                          double *, double *, int32_t *);

int32_t library_under_test(int32_t op, const double *a, uint32_t ar, uint32_t ac, const double *b, uint32_t br,
                           uint32_t bc, double *r, double *r2, int32_t *s) {
    return lib::matrix(op, a, ar, ac, b, br, bc, r, r2, s);
}

// Random values, with zero columns inside and at the edge of the panels (skipped steps, and rows
// whose factors are +-0.0), so that a refusal can meet a panel with unused steps.
vec operand(uint32_t n, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> value(-2.0, 2.0);
    vec a(static_cast<size_t>(n) * n);
    for (double &x : a) {
        x = value(rng);
    }
    for (uint32_t c : {3u, 15u, 16u, 45u, 64u}) {
        for (uint32_t r = 0; c < n && r < n; ++r) {
            a[static_cast<size_t>(r) * n + c] = r % 2 ? 0.0 : -0.0;
        }
    }
    return a;
}

struct outcome {
    int32_t status;
    int32_t swaps;
    vec result, result2;
    long outstanding;
};

// 't' with a companion of m columns (none when m is 0), 'd' or 'i', with request `refused`
// refused (0: none).
outcome run(entry call, char op, const vec &a, uint32_t n, uint32_t m, long refused) {
    test_heap::reset();
    test_heap::fail_request(refused);
    outcome o;
    vec b(static_cast<size_t>(n) * m, 0.5);
    o.result = canaries(op == 'd' ? 1 : static_cast<size_t>(n) * n);
    o.result2 = canaries(static_cast<size_t>(n) * m);
    o.swaps = kSwapsCanary;
    o.status = call(op, a.data(), n, n, m != 0 ? b.data() : nullptr, m != 0 ? n : 0, m, o.result.data(),
                    m != 0 ? o.result2.data() : nullptr, &o.swaps);
    if (op == 't' && m != 0) {
        o.result2.insert(o.result2.end(), b.begin(), b.end());  // b must stay as it was
    }
    o.outstanding = test_heap::outstanding();
    return o;
}

TEST_F(BlockedEliminationHeap, EveryRefusedRequestLeavesTheStepByStepState) {
    struct call_case {
        char op;
        uint32_t n;
        uint32_t m;
    };
    const call_case cases[] = {{'t', 90, 0}, {'t', 90, 5}, {'t', 33, 33}, {'d', 90, 0}, {'i', 70, 0}};
    for (const call_case &c : cases) {
        const vec a = operand(c.n, c.n * 31 + c.m);
        const outcome unrefused = run(library_under_test, c.op, a, c.n, c.m, 0);
        ASSERT_NE(MATRIX_NO_MEMORY, unrefused.status);  // the zero columns make 'i' report a zero divisor
        const long requests = test_heap::requests();
        // One request per pivot step, and one more for the scratch of 'd' and 'i'.
        ASSERT_EQ(static_cast<long>(c.n) + (c.op == 't' ? 0 : 1), requests);
        for (long refused = 1; refused <= requests; ++refused) {
            const std::string where = std::string("'") + c.op + "' n " + std::to_string(c.n) + " m " +
                                      std::to_string(c.m) + ", request " + std::to_string(refused) + " refused";
            const outcome expected = run(dorvane_reference_counted_matrix, c.op, a, c.n, c.m, refused);
            ASSERT_TRUE(test_heap::failure_delivered()) << where;
            const outcome actual = run(library_under_test, c.op, a, c.n, c.m, refused);
            ASSERT_TRUE(test_heap::failure_delivered()) << where;
            ASSERT_EQ(MATRIX_NO_MEMORY, actual.status) << where;
            EXPECT_EQ(expected.status, actual.status) << where;
            EXPECT_EQ(expected.swaps, actual.swaps) << where;
            EXPECT_TRUE(same_values(expected.result, actual.result)) << where << ", result";
            EXPECT_TRUE(same_values(expected.result2, actual.result2)) << where << ", result2";
            EXPECT_EQ(0, actual.outstanding) << where;
        }
    }
}

}  // namespace
