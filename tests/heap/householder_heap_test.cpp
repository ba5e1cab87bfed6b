// Refused scratch requests of 'h' (running product, reflection vector, and the scratch of each
// nested in-place product), and 'f', which asks for no memory at all.
#include <random>

#include "householder_reference.h"
#include "matrix_testing.h"
#include "test_heap.h"

using namespace testing_support;

namespace {

vec random_matrix(uint64_t seed, size_t count) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    vec x(count);
    for (double &e : x) {
        e = value(rng);
    }
    return x;
}

// Requests of one reduction with no skipped step: P, v, then one product scratch per step for
// H*R and one per step from step 1 on for P*H.
long expected_requests(uint32_t n) { return 2 + n + (n - 1); }

struct shape {
    uint32_t m, n;
    bool r_is_operand;
};

TEST(HouseholderHeap, EveryRefusedRequestReturnsNoMemoryWithTheWorkDoneSoFar) {
    const shape shapes[] = {{1, 1, false}, {3, 2, false}, {4, 4, false}, {5, 3, true}, {6, 6, true}};
    for (const shape &sh : shapes) {
        const uint32_t m = sh.m, n = sh.n;
        const vec operand = random_matrix(m * 31 + n, size_t(m) * n);

        test_heap::reset();
        {
            vec q = canaries(size_t(m) * m), r = canaries(size_t(m) * n);
            ASSERT_EQ(MATRIX_OK, lib::matrix('h', operand.data(), m, n, nullptr, 0, 0, q.data(), r.data(), nullptr));
        }
        const long total = test_heap::requests();
        ASSERT_EQ(expected_requests(n), total) << m << "x" << n;
        EXPECT_EQ(0, test_heap::outstanding());

        for (long nth = 1; nth <= total; ++nth) {
            SCOPED_TRACE(::testing::Message() << m << "x" << n << (sh.r_is_operand ? " (result2 is the operand)" : "")
                                              << ", request " << nth << " of " << total << " refused");
            vec own = operand;
            vec q = canaries(size_t(m) * m);
            vec r = sh.r_is_operand ? own : canaries(size_t(m) * n);
            test_heap::reset();
            test_heap::fail_request(nth);
            const int32_t status = sh.r_is_operand
                                       ? lib::matrix('h', own.data(), m, n, nullptr, 0, 0, q.data(), own.data(), nullptr)
                                       : lib::matrix('h', own.data(), m, n, nullptr, 0, 0, q.data(), r.data(), nullptr);
            if (sh.r_is_operand) {
                r = own;
            }
            EXPECT_EQ(MATRIX_NO_MEMORY, status);
            EXPECT_TRUE(test_heap::failure_delivered());
            EXPECT_EQ(0, test_heap::outstanding());
            EXPECT_EQ(nth, test_heap::requests()) << "the reduction stops at the first refusal";

            if (nth <= 2) {
                // P or v refused: nothing written yet.
                EXPECT_TRUE(untouched(q));
                EXPECT_TRUE(same_bits(sh.r_is_operand ? operand : canaries(r.size()), r));
            } else {
                vec ref_q = canaries(size_t(m) * m), ref_r = canaries(size_t(m) * n);
                EXPECT_FALSE(reference_householder(operand, m, n, ref_q, ref_r, nth - 3));
                EXPECT_TRUE(same_bits(ref_q, q));
                EXPECT_TRUE(same_bits(ref_r, r));
            }
        }
    }
}

TEST(HouseholderHeap, SkippedStepMakesNoNestedCall) {
    // Column 0 is zero: step 0 is skipped, step 1 needs H*R and P*H.
    const vec operand = {0, 1, 0, 2, 0, 3};
    vec q = canaries(9), r = canaries(6);
    test_heap::reset();
    ASSERT_EQ(MATRIX_OK, lib::matrix('h', operand.data(), 3, 2, nullptr, 0, 0, q.data(), r.data(), nullptr));
    EXPECT_EQ(4, test_heap::requests());
    EXPECT_EQ(0, test_heap::outstanding());
}

TEST(HouseholderHeap, NoColumnsStillTakesAndReleasesBothBuffers) {
    for (uint32_t m : {0u, 4u}) {
        SCOPED_TRACE(::testing::Message() << m << " rows");
        const vec operand = {1};
        vec q = canaries(16), r = canaries(4);
        test_heap::reset();
        EXPECT_EQ(MATRIX_OK, lib::matrix('h', operand.data(), m, 0, nullptr, 0, 0, q.data(), r.data(), nullptr));
        EXPECT_EQ(2, test_heap::requests());
        EXPECT_EQ(2, test_heap::released());
        EXPECT_EQ(0, test_heap::outstanding());
        EXPECT_TRUE(untouched(q));
        EXPECT_TRUE(untouched(r));
    }
}

TEST(HouseholderHeap, ArgumentFaultsAskForNoMemory) {
    const vec operand(6, 1.0);
    vec q = canaries(9), r = canaries(6);
    test_heap::reset();
    EXPECT_EQ(MATRIX_BAD_ARGUMENT, lib::matrix('h', operand.data(), 3, 2, nullptr, 0, 0, q.data(), nullptr, nullptr));
    EXPECT_EQ(MATRIX_SHAPE_MISMATCH, lib::matrix('h', operand.data(), 2, 3, nullptr, 0, 0, q.data(), r.data(), nullptr));
    EXPECT_EQ(0, test_heap::requests());
}

TEST(FactorizationHeap, AsksForNoMemoryOnAnyPath) {
    const vec regular = random_matrix(5, 64);
    const vec zero_divisor = {1, 2, 3, 2, 4, 5, 1, 1, 1};
    vec result(64);
    vec own = regular;
    test_heap::reset();
    test_heap::fail_request(1);
    EXPECT_EQ(MATRIX_OK, lib::matrix('f', regular.data(), 8, 8, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_EQ(MATRIX_OK, lib::matrix('f', nullptr, 0, 0, own.data(), 8, 8, own.data(), nullptr, nullptr));
    EXPECT_EQ(MATRIX_ZERO_DIVISOR,
              lib::matrix('f', zero_divisor.data(), 3, 3, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_EQ(MATRIX_ZERO_LEADING, lib::matrix('f', vec{0.0}.data(), 1, 1, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_EQ(MATRIX_SHAPE_MISMATCH, lib::matrix('f', regular.data(), 2, 3, nullptr, 0, 0, result.data(), nullptr, nullptr));
    EXPECT_EQ(0, test_heap::requests());
    EXPECT_FALSE(test_heap::failure_delivered());
}

}  // namespace
