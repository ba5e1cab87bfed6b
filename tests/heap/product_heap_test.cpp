// '*' and the heap: scratch only when the result is an operand, refusal leaves everything as it
// was, every block is released.
#include <cstdint>

#include "matrix_testing.h"
#include "test_heap.h"

using namespace testing_support;

namespace {

class ProductHeap : public ::testing::Test {
protected:
    void SetUp() override { test_heap::reset(); }
    void TearDown() override { test_heap::reset(); }
};

const vec kA = {1.5, -2.0, 0.25, 3.0};
const vec kB = {-1.0, 4.0, 0.5, 2.0};

enum class target { a, b, both };

struct in_place_case {
    const char *what;
    target over;
};

const in_place_case kInPlace[] = {
    {"result is a", target::a},
    {"result is b", target::b},
    {"result is a and b", target::both},
};

// Runs the 2x2 product with the result over the chosen operand(s).
int32_t multiply_over(target over, vec &a, vec &b, int32_t *swaps) {
    double *pb = over == target::both ? a.data() : b.data();
    double *out = over == target::b ? b.data() : a.data();
    return lib::matrix('*', a.data(), 2, 2, pb, 2, 2, out, nullptr, swaps);
}

TEST_F(ProductHeap, RefusedScratchLeavesTheOperandsAsTheyWere) {
    for (const in_place_case &c : kInPlace) {
        SCOPED_TRACE(c.what);
        test_heap::reset();
        test_heap::fail_request(1);
        vec a = kA, b = kB;
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_NO_MEMORY, multiply_over(c.over, a, b, &swaps));
        EXPECT_TRUE(test_heap::failure_delivered());
        EXPECT_EQ(1, test_heap::requests());
        EXPECT_EQ(0, test_heap::outstanding());
        EXPECT_TRUE(same_bits(kA, a));
        EXPECT_TRUE(same_bits(kB, b));
        EXPECT_EQ(0, swaps);
    }
}

TEST_F(ProductHeap, InPlaceProductReleasesItsOneBlock) {
    // [1.5 -2; 0.25 3] * [-1 4; 0.5 2] and the square of the first.
    const vec ab = {-2.5, 2.0, 1.25, 7.0};
    const vec aa = {1.75, -9.0, 1.125, 8.5};
    for (const in_place_case &c : kInPlace) {
        SCOPED_TRACE(c.what);
        test_heap::reset();
        vec a = kA, b = kB;
        ASSERT_EQ(MATRIX_OK, multiply_over(c.over, a, b, nullptr));
        EXPECT_TRUE(same_bits(c.over == target::both ? aa : ab, c.over == target::b ? b : a));
        EXPECT_EQ(1, test_heap::requests());
        EXPECT_EQ(1, test_heap::released());
        EXPECT_EQ(0, test_heap::outstanding());
    }
}

TEST_F(ProductHeap, DistinctResultAsksForNoMemory) {
    // Every request is refused; a distinct result needs none, with or without a equal to b.
    test_heap::fail_request(1);
    vec a = kA, b = kB, result = canaries(4);
    ASSERT_EQ(MATRIX_OK, lib::matrix('*', a.data(), 2, 2, b.data(), 2, 2, result.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({-2.5, 2.0, 1.25, 7.0}, result));
    vec v = {1.0, -3.0}, outer = canaries(4);
    ASSERT_EQ(MATRIX_OK, lib::matrix('*', v.data(), 2, 1, v.data(), 1, 2, outer.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({1.0, -3.0, -3.0, 9.0}, outer));
    EXPECT_EQ(0, test_heap::requests());
    EXPECT_FALSE(test_heap::failure_delivered());
}

struct huge_case {
    const char *what;
    uint32_t m, p;
    long requests;  // 0: refused before the heap is asked
};

// Scratch sizes at and around the limit of size_t, for the width of this build.
std::vector<huge_case> huge_cases() {
    if (sizeof(size_t) == 8) {
        return {
            {"2^61 doubles: 2^64 bytes", 0x80000000u, 0x40000000u, 0},
            {"(2^32-1)^2 doubles", 0xffffffffu, 0xffffffffu, 0},
            {"2^60 doubles: 2^63 bytes fit and are asked for", 0x80000000u, 0x20000000u, 1},
        };
    }
    return {
        {"2^29 doubles: 2^32 bytes", 0x10000u, 0x2000u, 0},
        {"(2^32-1)^2 doubles", 0xffffffffu, 0xffffffffu, 0},
        {"2^28 doubles: 2^31 bytes fit and are asked for", 0x10000u, 0x1000u, 1},
    };
}

TEST_F(ProductHeap, ScratchWhoseByteCountDoesNotFitIsRefusedWithoutAsking) {
    // Result over a (m x 1) times b (1 x p): the checks pass, so the scratch request of m*p
    // doubles is the first step that could touch memory. When m*p*8 bytes exceed size_t it must
    // be refused before the heap is asked and before any operand element is read or written.
    // Below the limit the request reaches the heap, which the test heap refuses here.
    for (const huge_case &c : huge_cases()) {
        SCOPED_TRACE(c.what);
        test_heap::reset();
        test_heap::fail_request(1);
        vec a = {2.0}, b = {3.0};
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('*', a.data(), c.m, 1, b.data(), 1, c.p, a.data(), nullptr, &swaps));
        EXPECT_EQ(c.requests, test_heap::requests());
        EXPECT_EQ(c.requests == 1, test_heap::failure_delivered());
        EXPECT_EQ(0, test_heap::outstanding());
        EXPECT_TRUE(same_bits({2.0}, a));
        EXPECT_TRUE(same_bits({3.0}, b));
        EXPECT_EQ(0, swaps);
    }
}

}  // namespace
