// The entry: counter reset, case folding of the seven letters, dispatch by the low byte only.
#include <map>

#include "matrix_testing.h"

using namespace testing_support;

namespace {

// One call per operation whose output tells the operations apart, with its expected output.
struct signature {
    vec a;
    uint32_t a_rows, a_cols;
    vec b;
    uint32_t b_rows, b_cols;
    size_t result_size;
    vec expected;
};

const std::map<char, signature> &signatures() {
    static const std::map<char, signature> table = {
        {'+', {{2, 1, 4, 3}, 2, 2, {1, 2, 3, 4}, 2, 2, 4, {3, 3, 7, 7}}},
        {'-', {{2, 1, 4, 3}, 2, 2, {1, 2, 3, 4}, 2, 2, 4, {1, -1, 1, -1}}},
        {'.', {{2, 1, 4, 3}, 2, 2, {3}, 1, 1, 4, {6, 3, 12, 9}}},
        {'*', {{2, 1, 4, 3}, 2, 2, {1, 2, 3, 4}, 2, 2, 4, {5, 8, 13, 20}}},
        {'x', {{2, 1, 4, 3}, 2, 2, {}, 0, 0, 4, {2, 4, 1, 3}}},
        {'v', {{2, 1, 4, 3}, 2, 2, {}, 0, 0, 4, {4, 3, 2, 1}}},
        {'t', {{2, 1, 4, 3}, 2, 2, {}, 0, 0, 4, {4, 3, 0, -0.5}}},
        {'d', {{2, 1, 4, 3}, 2, 2, {}, 0, 0, 1, {2}}},
        {'i', {{2, 1, 4, 3}, 2, 2, {}, 0, 0, 4, {1.5, -0.5, -2, 1}}},
        {'f', {{4, 3, 6, 3}, 2, 2, {}, 0, 0, 4, {4, 3, 1.5, -1.5}}},
        {'h', {{5}, 1, 1, {}, 0, 0, 1, {-1}}},
    };
    return table;
}

char folded(unsigned byte) {
    switch (byte) {
    case 'X': case 'T': case 'I': case 'D': case 'F': case 'V': case 'H':
        return static_cast<char>(byte - 'A' + 'a');
    default:
        return static_cast<char>(byte);
    }
}

class EntryDispatch : public ::testing::TestWithParam<uint32_t> {};

TEST_P(EntryDispatch, LowByteSelectsTheOperationAndUpperBitsAreIgnored) {
    const uint32_t high = GetParam();
    for (unsigned byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(::testing::Message() << "low byte 0x" << std::hex << byte << ", upper bits 0x" << high);
        const int32_t op = static_cast<int32_t>(high | byte);
        const auto found = signatures().find(byte < 0x80 ? folded(byte) : '\0');
        int32_t swaps = kSwapsCanary;
        if (found == signatures().end()) {
            vec a = {2, 1, 4, 3}, b = {1, 2, 3, 4}, result = canaries(4), result2 = canaries(4);
            EXPECT_EQ(MATRIX_UNKNOWN_OPERATION,
                      lib::matrix(op, a.data(), 2, 2, b.data(), 2, 2, result.data(), result2.data(), &swaps));
            EXPECT_EQ(0, swaps);
            EXPECT_TRUE(untouched(result));
            EXPECT_TRUE(untouched(result2));
            EXPECT_TRUE(same_bits({2, 1, 4, 3}, a));
            EXPECT_TRUE(same_bits({1, 2, 3, 4}, b));
            continue;
        }
        const signature &s = found->second;
        vec result = canaries(s.result_size), result2 = canaries(4);
        const int32_t status = lib::matrix(op, s.a.data(), s.a_rows, s.a_cols, s.b.empty() ? nullptr : s.b.data(),
                                           s.b_rows, s.b_cols, result.data(), result2.data(), &swaps);
        EXPECT_EQ(MATRIX_OK, status);
        EXPECT_TRUE(same_bits(s.expected, result));
        EXPECT_EQ(found->first == 'v' || found->first == 't' ? 1 : 0, swaps);
        if (found->first != 'h') {
            EXPECT_TRUE(untouched(result2));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(UpperBits, EntryDispatch,
                         ::testing::Values(0u, 0x100u, 0x12300u, 0x7fffff00u, 0x80000000u, 0xffffff00u));

TEST(Entry, EveryOperationAcceptsANullCounter) {
    for (const auto &entry : signatures()) {
        SCOPED_TRACE(::testing::Message() << "op '" << entry.first << "'");
        const signature &s = entry.second;
        vec result = canaries(s.result_size), result2 = canaries(4);
        EXPECT_EQ(MATRIX_OK, lib::matrix(entry.first, s.a.data(), s.a_rows, s.a_cols, s.b.empty() ? nullptr : s.b.data(),
                                         s.b_rows, s.b_cols, result.data(), result2.data(), nullptr));
        EXPECT_TRUE(same_bits(s.expected, result));
    }
}

TEST(Entry, CounterIsResetOnEveryFailure) {
    vec a = {1, 2, 3, 4, 5, 6}, out = canaries(9);
    struct failing_call {
        int32_t op;
        const double *a;
        uint32_t a_rows, a_cols;
        const double *b;
        uint32_t b_rows, b_cols;
        double *result;
        int32_t expected;
    };
    const failing_call calls[] = {
        {'?', a.data(), 2, 3, nullptr, 0, 0, out.data(), MATRIX_UNKNOWN_OPERATION},
        {'+', a.data(), 2, 3, a.data(), 3, 2, nullptr, MATRIX_BAD_ARGUMENT},
        {'*', a.data(), 2, 3, a.data(), 2, 3, out.data(), MATRIX_SHAPE_MISMATCH},
        {'x', a.data(), 2, 3, nullptr, 0, 0, out.data(), MATRIX_SHAPE_MISMATCH},
        {'t', a.data(), 2, 3, nullptr, 0, 0, out.data(), MATRIX_SHAPE_MISMATCH},
        {'v', nullptr, 2, 2, a.data(), 2, 2, out.data(), MATRIX_BAD_ARGUMENT},
        {'d', a.data(), 0, 3, nullptr, 0, 0, out.data(), MATRIX_BAD_ARGUMENT},
        {'i', a.data(), 2, 3, nullptr, 0, 0, out.data(), MATRIX_SHAPE_MISMATCH},
        {'f', a.data(), 2, 3, nullptr, 0, 0, out.data(), MATRIX_SHAPE_MISMATCH},
        {'h', a.data(), 2, 3, nullptr, 0, 0, out.data(), MATRIX_BAD_ARGUMENT},
    };
    for (const failing_call &c : calls) {
        SCOPED_TRACE(::testing::Message() << "op '" << static_cast<char>(c.op) << "'");
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.expected, lib::matrix(c.op, c.a, c.a_rows, c.a_cols, c.b, c.b_rows, c.b_cols, c.result,
                                          nullptr, &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(out));
    }
}

}  // namespace
