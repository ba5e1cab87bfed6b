// Scratch requests that a 32-bit process cannot satisfy: a byte count beyond the 32-bit size
// (refused before the heap is asked) and one above the 2 GiB address space of a process that
// is not large-address aware, which the process heap refuses. Either
// way the call returns MATRIX_NO_MEMORY, writes nothing, and the library goes on working.
#include "matrix_testing.h"

using namespace testing_support;

namespace {

struct refusal {
    const char *name;
    char op;
    uint32_t a_rows, a_cols, b_rows, b_cols;
    bool result_is_a;
};

// For each call the operands are only read after the scratch buffer has been obtained, so they
// are given as small buffers that must come back unchanged; '*' reads its operands in full and
// gets them whole.
const refusal kRefusals[] = {
    {"product over a, 2^35 bytes of scratch", '*', 65536, 1, 1, 65536, true},
    {"determinant, 3.2e9 bytes of scratch", 'd', 20000, 20000, 0, 0, false},
    {"determinant, byte count beyond 32 bits", 'd', 40000, 40000, 0, 0, false},
    {"inverse, 2.3e9 bytes of scratch", 'i', 17000, 17000, 0, 0, false},
    {"householder, 2.3e9 bytes for the running product", 'h', 17000, 1, 0, 0, false},
};

TEST(ProcessHeap, UnsatisfiableScratchIsRefusedAndNothingIsWritten) {
    for (const refusal &r : kRefusals) {
        SCOPED_TRACE(r.name);
        const bool product = r.op == '*';
        vec a(product ? r.a_rows : 16, 0.25);
        vec b(product ? static_cast<size_t>(r.b_cols) : 0, 0.5);
        const vec a_before = a, b_before = b;
        vec result = canaries(16);
        vec result2 = canaries(r.op == 'h' ? r.a_rows : 16);
        int32_t swaps = kSwapsCanary;
        const int32_t status = lib::matrix(r.op, a.data(), r.a_rows, r.a_cols, product ? b.data() : nullptr, r.b_rows,
                                           r.b_cols, r.result_is_a ? a.data() : result.data(), result2.data(), &swaps);
        EXPECT_EQ(MATRIX_NO_MEMORY, status);
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(same_bits(a_before, a));
        EXPECT_TRUE(same_bits(b_before, b));
        EXPECT_TRUE(untouched(result));
        EXPECT_TRUE(untouched(result2));
    }
    // The heap is intact: an ordinary call that takes scratch memory still works.
    vec m = {4, 7, 2, 6};
    vec det = canaries(1);
    ASSERT_EQ(MATRIX_OK, lib::matrix('d', m.data(), 2, 2, nullptr, 0, 0, det.data(), nullptr, nullptr));
    EXPECT_TRUE(same_bits({10.0}, det));
}

}  // namespace
