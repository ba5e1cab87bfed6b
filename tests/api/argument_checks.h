// A table-driven check of argument faults: the first fault found decides the status, and nothing
// is written: outputs keep their canaries, operands their values, the counter its reset 0.
#ifndef DORVANE_TESTS_ARGUMENT_CHECKS_H
#define DORVANE_TESTS_ARGUMENT_CHECKS_H

#include "matrix_testing.h"

namespace testing_support {

struct check_case {
    const char *name;
    bool a, b, result, result2;  // which pointers are given
    uint32_t a_rows, a_cols, b_rows, b_cols;
    int32_t status;
};

template <size_t N>
void expect_rejected(char op, const check_case (&cases)[N]) {
    for (const check_case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << op << "': " << c.name);
        const vec a_in = {4, 3, 2, 1, 0, -1, -2, -3, -4}, b_in = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        vec a = a_in, b = b_in, result = canaries(9), result2 = canaries(9);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.status,
                  lib::matrix(op, c.a ? a.data() : nullptr, c.a_rows, c.a_cols, c.b ? b.data() : nullptr, c.b_rows,
                              c.b_cols, c.result ? result.data() : nullptr, c.result2 ? result2.data() : nullptr,
                              &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(result));
        EXPECT_TRUE(untouched(result2));
        EXPECT_TRUE(same_bits(a_in, a));
        EXPECT_TRUE(same_bits(b_in, b));
    }
}

}  // namespace testing_support

#endif
