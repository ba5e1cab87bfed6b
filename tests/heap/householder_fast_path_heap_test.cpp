// Refused scratch requests of the Householder reduction's fast path (running product, reflection
// vector, product scratch, all taken before anything is written) and of the literal path that it
// hands over to part-way: every request refused in turn gives MATRIX_NO_MEMORY and leaves no
// block behind.
#include <random>

#include "matrix_testing.h"
#include "test_heap.h"

using namespace testing_support;

namespace {

class HouseholderFastPathHeap : public ::testing::Test {
protected:
    void SetUp() override { test_heap::reset(); }
    void TearDown() override { test_heap::reset(); }
};

vec random_matrix(uint64_t seed, size_t count) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    vec x(count);
    for (double &e : x) {
        e = value(rng);
    }
    return x;
}

struct outcome {
    int32_t status;
    vec q, r;
};

outcome reduce(const vec &operand, uint32_t m, uint32_t n) {
    outcome out{0, canaries(static_cast<size_t>(m) * m), canaries(static_cast<size_t>(m) * n)};
    out.status = lib::matrix('h', operand.data(), m, n, nullptr, 0, 0, out.q.data(), out.r.data(), nullptr);
    return out;
}

TEST_F(HouseholderFastPathHeap, FiniteDataTakesItsScratchOnceBeforeWritingAnything) {
    const uint32_t m = 9, n = 6;
    const vec operand = random_matrix(1, m * n);
    const outcome full = reduce(operand, m, n);
    ASSERT_EQ(MATRIX_OK, full.status);
    const long requests = test_heap::requests();
    EXPECT_EQ(3, requests) << "running product, reflection vector, product scratch; none per step";
    EXPECT_EQ(0, test_heap::outstanding());
    for (long refused = 1; refused <= requests; ++refused) {
        SCOPED_TRACE(::testing::Message() << "request " << refused << " refused");
        test_heap::reset();
        test_heap::fail_request(refused);
        const outcome out = reduce(operand, m, n);
        EXPECT_EQ(MATRIX_NO_MEMORY, out.status);
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(0, test_heap::outstanding());
        EXPECT_TRUE(untouched(out.q));
        EXPECT_TRUE(untouched(out.r));
    }
}

TEST_F(HouseholderFastPathHeap, RefusalsAfterTheHandOverToTheLiteralPath) {
    // Row 0 of column 3 overflows in step 0, so step 1 and the later ones run on the literal
    // path, whose nested products ask for scratch of their own.
    const uint32_t m = 5, n = 4;
    vec operand = random_matrix(2, m * n);
    for (uint32_t i = 0; i < m; ++i) {
        operand[i * n + 0] = i < 2 ? 1.0 : 0.0;
        operand[i * n + 3] = i < 2 ? 1.5e308 : 1.0;
    }
    const outcome full = reduce(operand, m, n);
    ASSERT_EQ(MATRIX_OK, full.status);
    const long requests = test_heap::requests();
    EXPECT_LT(3, requests) << "the case does not reach the literal path";
    EXPECT_EQ(0, test_heap::outstanding());
    for (long refused = 1; refused <= requests; ++refused) {
        SCOPED_TRACE(::testing::Message() << "request " << refused << " refused");
        test_heap::reset();
        test_heap::fail_request(refused);
        EXPECT_EQ(MATRIX_NO_MEMORY, reduce(operand, m, n).status);
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(0, test_heap::outstanding());
    }
    test_heap::reset();
    test_heap::fail_request(requests + 1);
    const outcome again = reduce(operand, m, n);
    EXPECT_EQ(MATRIX_OK, again.status);
    EXPECT_FALSE(test_heap::failure_delivered());
    EXPECT_TRUE(same_values(full.q, again.q));
    EXPECT_TRUE(same_values(full.r, again.r));
}

TEST_F(HouseholderFastPathHeap, RunningProductTooLargeForTheAddressSpaceIsRefused) {
    // m * m * 8 bytes exceed size_t: refused without asking the heap, before anything is read or
    // written (the operand buffer is far shorter than its shape and is never read).
    const vec operand = {1.0, 2.0};
    vec q = canaries(4), r = canaries(4);
    EXPECT_EQ(MATRIX_NO_MEMORY,
              lib::matrix('h', operand.data(), 0xffffffffu, 1, nullptr, 0, 0, q.data(), r.data(), nullptr));
    EXPECT_EQ(0, test_heap::requests());
    EXPECT_TRUE(untouched(q));
    EXPECT_TRUE(untouched(r));
}

}  // namespace
