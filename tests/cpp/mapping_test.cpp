// Which arguments each function of the C++ layer hands to `matrix`: operand in a, companion in b,
// outputs in result and result2, and the layer's own output-size guard.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <ostream>
#include <string>

#include "dorvane.hpp"
#include "recording_entry.h"

namespace {

std::string test_name(std::string text) {
    for (char &ch : text) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return text;
}

double A[16], B[16], R[16], R2[16];
int32_t S;
double D;

struct mapping_case {
    std::string name;
    std::function<dorvane::status()> invoke;
    recording::call expected;  // b is ignored where b_first is checked (the scalar lives in the layer)
    bool scalar_in_b;
};

const mapping_case kCases[] = {
    {"add", [] { return dorvane::add({A, 2, 3}, {B, 2, 3}, {R, 2, 3}); },
     {'+', A, 2, 3, B, 2, 3, R, nullptr, nullptr, 0}, false},
    {"subtract", [] { return dorvane::subtract({A, 2, 3}, {B, 2, 3}, {R, 2, 3}); },
     {'-', A, 2, 3, B, 2, 3, R, nullptr, nullptr, 0}, false},
    {"add in place", [] { return dorvane::add({A, 2, 3}, {B, 2, 3}, {A, 2, 3}); },
     {'+', A, 2, 3, B, 2, 3, A, nullptr, nullptr, 0}, false},
    {"scale by a number", [] { return dorvane::scale({A, 3, 2}, 2.5, {R, 3, 2}); },
     {'.', A, 3, 2, nullptr, 1, 1, R, nullptr, nullptr, 2.5}, true},
    {"scale, scalar in a", [] { return dorvane::scale({A, 1, 1}, {B, 3, 2}, {R, 3, 2}); },
     {'.', A, 1, 1, B, 3, 2, R, nullptr, nullptr, 0}, false},
    {"multiply", [] { return dorvane::multiply({A, 2, 3}, {B, 3, 4}, {R, 2, 4}); },
     {'*', A, 2, 3, B, 3, 4, R, nullptr, nullptr, 0}, false},
    {"transpose", [] { return dorvane::transpose({B, 3, 3}, {R, 3, 3}); },
     {'x', B, 3, 3, nullptr, 0, 0, R, nullptr, nullptr, 0}, false},
    {"pivot with companion", [] { return dorvane::pivot({A, 3, 3}, {R, 3, 3}, {B, 3, 2}, {R2, 3, 2}, &S); },
     {'v', A, 3, 3, B, 3, 2, R, R2, &S, 0}, false},
    {"pivot alone", [] { return dorvane::pivot({A, 3, 3}, {R, 3, 3}); },
     {'v', A, 3, 3, nullptr, 0, 0, R, nullptr, nullptr, 0}, false},
    {"triangularize with companion",
     [] { return dorvane::triangularize({A, 3, 3}, {R, 3, 3}, {B, 3, 4}, {R2, 3, 4}, &S); },
     {'t', A, 3, 3, B, 3, 4, R, R2, &S, 0}, false},
    {"triangularize alone", [] { return dorvane::triangularize({A, 2, 2}, {R, 2, 2}); },
     {'t', A, 2, 2, nullptr, 0, 0, R, nullptr, nullptr, 0}, false},
    {"determinant", [] { return dorvane::determinant({B, 3, 3}, D); },
     {'d', B, 3, 3, nullptr, 0, 0, &D, nullptr, nullptr, 0}, false},
    {"inverse", [] { return dorvane::inverse({B, 3, 3}, {R, 3, 3}); },
     {'i', B, 3, 3, nullptr, 0, 0, R, nullptr, nullptr, 0}, false},
    {"factorize", [] { return dorvane::factorize({B, 3, 3}, {R, 3, 3}); },
     {'f', B, 3, 3, nullptr, 0, 0, R, nullptr, nullptr, 0}, false},
    {"householder", [] { return dorvane::householder({B, 4, 2}, {R, 4, 4}, {R2, 4, 2}); },
     {'h', B, 4, 2, nullptr, 0, 0, R, R2, nullptr, 0}, false},
    // A null pointer is the library's to refuse: the layer passes it on.
    {"null result passes through", [] { return dorvane::multiply({A, 2, 3}, {B, 3, 4}, {}); },
     {'*', A, 2, 3, B, 3, 4, nullptr, nullptr, nullptr, 0}, false},
};

void PrintTo(const mapping_case &c, std::ostream *os) { *os << c.name; }

class Mapping : public ::testing::TestWithParam<mapping_case> {
protected:
    void SetUp() override {
        recording::calls().clear();
        recording::answer(MATRIX_OK);
    }
};

TEST_P(Mapping, HandsTheOperandsAndOutputsToTheirArguments) {
    const mapping_case &c = GetParam();
    EXPECT_EQ(dorvane::status::ok, c.invoke());
    ASSERT_EQ(1u, recording::calls().size());
    const recording::call &got = recording::calls()[0];
    const recording::call &want = c.expected;
    EXPECT_EQ(want.op, got.op);
    EXPECT_EQ(want.a, got.a);
    EXPECT_EQ(want.a_rows, got.a_rows);
    EXPECT_EQ(want.a_cols, got.a_cols);
    if (c.scalar_in_b) {
        EXPECT_NE(nullptr, got.b);
        EXPECT_EQ(want.b_first, got.b_first);
    } else {
        EXPECT_EQ(want.b, got.b);
    }
    EXPECT_EQ(want.b_rows, got.b_rows);
    EXPECT_EQ(want.b_cols, got.b_cols);
    EXPECT_EQ(want.result, got.result);
    EXPECT_EQ(want.result2, got.result2);
    EXPECT_EQ(want.swaps, got.swaps);
}

TEST_P(Mapping, ReturnsTheLibraryStatusUnchanged) {
    recording::answer(MATRIX_ZERO_DIVISOR);
    EXPECT_EQ(dorvane::status::zero_divisor, GetParam().invoke());
    recording::answer(MATRIX_NO_MEMORY);
    EXPECT_EQ(dorvane::status::no_memory, GetParam().invoke());
}

INSTANTIATE_TEST_SUITE_P(EachOperation, Mapping, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return test_name(info.param.name); });

// An output view with room for fewer elements than the operation writes is refused before the
// library is called; one with room to spare is accepted.
struct guard_case {
    std::string name;
    std::function<dorvane::status()> invoke;
    bool refused;
};

const guard_case kGuards[] = {
    {"sum into 2x2 for 2x3", [] { return dorvane::add({A, 2, 3}, {B, 2, 3}, {R, 2, 2}); }, true},
    {"sum into 3x2 for 2x3", [] { return dorvane::add({A, 2, 3}, {B, 2, 3}, {R, 3, 2}); }, false},
    {"difference into 1x5", [] { return dorvane::subtract({A, 2, 3}, {B, 2, 3}, {R, 1, 5}); }, true},
    {"scaled 3x2 into 2x2", [] { return dorvane::scale({A, 3, 2}, 2.0, {R, 2, 2}); }, true},
    {"scaled b 3x2 into 2x2", [] { return dorvane::scale({A, 1, 1}, {B, 3, 2}, {R, 2, 2}); }, true},
    {"product 2x4 into 2x3", [] { return dorvane::multiply({A, 2, 3}, {B, 3, 4}, {R, 2, 3}); }, true},
    {"product 2x4 into 4x4 (room to spare)", [] { return dorvane::multiply({A, 2, 3}, {B, 3, 4}, {R, 4, 4}); }, false},
    {"transpose 3x3 into 2x4", [] { return dorvane::transpose({A, 3, 3}, {R, 2, 4}); }, true},
    {"pivot companion 3x2 into 3x1",
     [] { return dorvane::pivot({A, 3, 3}, {R, 3, 3}, {B, 3, 2}, {R2, 3, 1}, nullptr); }, true},
    {"triangularize 3x3 into 2x2", [] { return dorvane::triangularize({A, 3, 3}, {R, 2, 2}); }, true},
    {"inverse 3x3 into 3x2", [] { return dorvane::inverse({A, 3, 3}, {R, 3, 2}); }, true},
    {"factorize 3x3 into 1x1", [] { return dorvane::factorize({A, 3, 3}, {R, 1, 1}); }, true},
    {"householder q 4x4 into 4x3", [] { return dorvane::householder({A, 4, 2}, {R, 4, 3}, {R2, 4, 2}); }, true},
    {"householder r 4x2 into 2x2", [] { return dorvane::householder({A, 4, 2}, {R, 4, 4}, {R2, 2, 2}); }, true},
};

void PrintTo(const guard_case &c, std::ostream *os) { *os << c.name; }

class OutputGuard : public ::testing::TestWithParam<guard_case> {};

TEST_P(OutputGuard, RefusesOnlyOutputsTooSmallForTheResult) {
    recording::calls().clear();
    recording::answer(MATRIX_OK);
    const guard_case &c = GetParam();
    if (c.refused) {
        EXPECT_EQ(dorvane::status::shape_mismatch, c.invoke());
        EXPECT_TRUE(recording::calls().empty());
    } else {
        EXPECT_EQ(dorvane::status::ok, c.invoke());
        EXPECT_EQ(1u, recording::calls().size());
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, OutputGuard, ::testing::ValuesIn(kGuards),
                         [](const auto &info) { return test_name(info.param.name); });

// The checked functions make the same calls, with outputs of their own, and throw the status.
TEST(CheckedMapping, SingleOperandsGoInAAndTheCompanionInB) {
    recording::calls().clear();
    recording::answer(MATRIX_OK);
    dorvane::checked::inverse({A, 3, 3});
    dorvane::checked::householder({A, 4, 2});
    dorvane::checked::triangularize({A, 3, 3}, {B, 3, 2});
    dorvane::checked::scale({A, 2, 2}, -1.5);
    ASSERT_EQ(4u, recording::calls().size());
    const auto &inv = recording::calls()[0];
    EXPECT_EQ('i', inv.op);
    EXPECT_EQ(A, inv.a);
    EXPECT_EQ(nullptr, inv.b);
    const auto &qr = recording::calls()[1];
    EXPECT_EQ('h', qr.op);
    EXPECT_EQ(A, qr.a);
    EXPECT_EQ(nullptr, qr.b);
    EXPECT_NE(nullptr, qr.result2);
    const auto &tri = recording::calls()[2];
    EXPECT_EQ('t', tri.op);
    EXPECT_EQ(B, tri.b);
    EXPECT_EQ(3u, tri.b_rows);
    EXPECT_EQ(2u, tri.b_cols);
    EXPECT_NE(nullptr, tri.result2);
    EXPECT_NE(nullptr, tri.swaps);
    EXPECT_EQ(-1.5, recording::calls()[3].b_first);
}

TEST(CheckedMapping, EmptyOutputsStillGetABuffer) {
    recording::calls().clear();
    recording::answer(MATRIX_OK);
    dorvane::checked::inverse({A, 0, 0});
    dorvane::checked::householder({A, 3, 0});
    dorvane::checked::pivot({A, 2, 2}, {B, 2, 0});
    ASSERT_EQ(3u, recording::calls().size());
    EXPECT_NE(nullptr, recording::calls()[0].result);
    EXPECT_NE(nullptr, recording::calls()[1].result2);
    EXPECT_NE(nullptr, recording::calls()[2].result2);
}

TEST(CheckedMapping, ThrowsTheStatusOfTheCall) {
    recording::answer(MATRIX_ZERO_LEADING);
    try {
        dorvane::checked::factorize({A, 2, 2});
        FAIL() << "no exception";
    } catch (const dorvane::error &e) {
        EXPECT_EQ(dorvane::status::zero_leading, e.code());
    }
    recording::answer(MATRIX_OK);
}

}  // namespace
