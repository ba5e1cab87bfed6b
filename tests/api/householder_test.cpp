// 'h': Householder reduction A = Q R, Q into result (m x m), R into result2 (m x n).
#include <algorithm>
#include <cmath>
#include <random>

#include "householder_reference.h"
#include "matrix_testing.h"

using namespace testing_support;

namespace {

// Where the operand travels and which output, if any, is the operand's own buffer.
enum class mode { in_a, in_b_a_ignored, r_over_a, r_over_b, q_over_a, q_over_b };
const mode kModes[] = {mode::in_a, mode::in_b_a_ignored, mode::r_over_a, mode::r_over_b, mode::q_over_a,
                       mode::q_over_b};

const char *name_of(mode m) {
    switch (m) {
    case mode::in_a: return "operand in a";
    case mode::in_b_a_ignored: return "operand in b, another matrix in a";
    case mode::r_over_a: return "result2 is the operand in a";
    case mode::r_over_b: return "result2 is the operand in b";
    case mode::q_over_a: return "result is the operand in a";
    case mode::q_over_b: return "result is the operand in b";
    }
    return "?";
}

struct outputs {
    vec q;
    vec r;
};

// Runs "h" on the m x n operand in the given mode. Outputs that are not the operand start as
// canaries.
int32_t reduce(mode md, const vec &operand, uint32_t m, uint32_t n, outputs &out) {
    const size_t qsize = size_t(m) * m;
    const size_t rsize = size_t(m) * n;
    vec decoy = {1, 2, 3, 4, 5, 6};  // a 2x3 that would be refused if it were the operand
    vec q = canaries(qsize);
    vec r = canaries(rsize);
    vec own = operand;
    int32_t swaps = kSwapsCanary;
    int32_t status = 0;
    switch (md) {
    case mode::in_a:
        status = lib::matrix('h', operand.data(), m, n, nullptr, 0, 0, q.data(), r.data(), &swaps);
        break;
    case mode::in_b_a_ignored:
        status = lib::matrix('H', decoy.data(), 2, 3, operand.data(), m, n, q.data(), r.data(), &swaps);
        break;
    case mode::r_over_a:
        status = lib::matrix('h', own.data(), m, n, nullptr, 0, 0, q.data(), own.data(), &swaps);
        r = own;
        break;
    case mode::r_over_b:
        status = lib::matrix('h', decoy.data(), 2, 3, own.data(), m, n, q.data(), own.data(), &swaps);
        r = own;
        break;
    case mode::q_over_a:
    case mode::q_over_b:
        own.resize(std::max(qsize, rsize));
        status = md == mode::q_over_a
                     ? lib::matrix('h', own.data(), m, n, nullptr, 0, 0, own.data(), r.data(), &swaps)
                     : lib::matrix('h', nullptr, 0, 0, own.data(), m, n, own.data(), r.data(), &swaps);
        own.resize(qsize);
        q = own;
        break;
    }
    EXPECT_EQ(0, swaps);
    out.q = q;
    out.r = r;
    return status;
}

outputs reference(const vec &operand, uint32_t m, uint32_t n) {
    outputs ref{canaries(size_t(m) * m), canaries(size_t(m) * n)};
    EXPECT_TRUE(reference_householder(operand, m, n, ref.q, ref.r));
    return ref;
}

vec random_matrix(std::mt19937_64 &rng, size_t count) {
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    vec x(count);
    for (double &e : x) {
        e = value(rng);
    }
    return x;
}

struct exact_case {
    const char *what;
    uint32_t m, n;
    vec operand;
    vec q;
    vec r;
};

TEST(Householder, KnownFactorsBitForBit) {
    const double tiny = 1e-200;
    const exact_case cases[] = {
        // alpha = 5, v = [8, 4], s = 80; the residue below the diagonal is not cleared.
        {"column [3, 4]", 2, 1, {3, 4}, {}, {-5.0, -0x1p-51}},
        {"1x1 positive", 1, 1, {5}, {-1.0}, {-5.0}},
        // Skipped steps: a zero reflection vector leaves R as it is; at step 0 Q becomes I.
        {"zero column", 2, 1, {0.0, -0.0}, {1, 0, 0, 1}, {0.0, -0.0}},
        {"squares underflow to zero", 2, 1, {tiny, 0.0}, {1, 0, 0, 1}, {tiny, 0.0}},
        {"1x1 negative", 1, 1, {-5}, {1.0}, {-5.0}},
        {"1x1 zero", 1, 1, {-0.0}, {1.0}, {-0.0}},
        {"last element negative", 2, 2, {1, 0, 0, -3}, {-1, -0.0, -0.0, 1}, {-1, 0, 0, -3}},
        {"last element zero", 2, 2, {1, 0, 0, 0}, {-1, -0.0, -0.0, 1}, {-1, 0, 0, 0}},
    };
    for (const exact_case &c : cases) {
        for (mode md : kModes) {
            SCOPED_TRACE(::testing::Message() << c.what << ", " << name_of(md));
            outputs out;
            ASSERT_EQ(MATRIX_OK, reduce(md, c.operand, c.m, c.n, out));
            EXPECT_TRUE(same_bits(c.r, out.r));
            if (!c.q.empty()) {
                EXPECT_TRUE(same_bits(c.q, out.q));
            }
            const outputs ref = reference(c.operand, c.m, c.n);
            EXPECT_TRUE(same_bits(ref.q, out.q));
            EXPECT_TRUE(same_bits(ref.r, out.r));
        }
    }
}

TEST(Householder, ColumnThreeFourGivesTheExpectedReflection) {
    outputs out;
    ASSERT_EQ(MATRIX_OK, reduce(mode::in_a, {3, 4}, 2, 1, out));
    const vec approx = {-0.6, -0.8, -0.8, 0.6};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(approx[k], out.q[k], 1e-15) << "element " << k;
    }
}

TEST(Householder, WorkedExamplesAgreeWithTheClosedForms) {
    outputs out;
    ASSERT_EQ(MATRIX_OK, reduce(mode::in_a, {2, 1, 1, 3}, 2, 2, out));
    const double r5 = std::sqrt(5.0);
    EXPECT_NEAR(-r5, out.r[0], 1e-14);
    EXPECT_NEAR(-r5, out.r[1], 1e-14);
    EXPECT_NEAR(0.0, out.r[2], 1e-14);
    EXPECT_NEAR(-r5, out.r[3], 1e-14);

    ASSERT_EQ(MATRIX_OK, reduce(mode::in_a, {1, 2, 3, 4, 5, 6}, 3, 2, out));
    const double r35 = std::sqrt(35.0);
    EXPECT_NEAR(-r35, out.r[0], 1e-14);
    EXPECT_NEAR(-44.0 / r35, out.r[1], 1e-14);
    EXPECT_NEAR(-std::sqrt(24.0 / 35.0), out.r[3], 1e-14);
    for (size_t k : {2u, 4u, 5u}) {
        EXPECT_NEAR(0.0, out.r[k], 1e-14) << "element " << k;
    }
    const vec residues = {out.r[2], out.r[4], out.r[5]};
    EXPECT_TRUE(std::any_of(residues.begin(), residues.end(), [](double x) { return x != 0.0; }))
        << "nothing clears the elements below the diagonal, and here they carry rounding residues";
}

// Step 1 finds its column already reduced and is skipped; step 2 still runs and still multiplies
// the running product.
TEST(Householder, SkippedMiddleStepLeavesLaterStepsAsUsual) {
    const vec operand = {1, 0, 0, 0, 0, 1, 0, 0, 1};
    for (mode md : kModes) {
        SCOPED_TRACE(name_of(md));
        outputs out;
        ASSERT_EQ(MATRIX_OK, reduce(md, operand, 3, 3, out));
        const outputs ref = reference(operand, 3, 3);
        EXPECT_TRUE(same_bits(ref.q, out.q));
        EXPECT_TRUE(same_bits(ref.r, out.r));
        const vec q_values = {-1, 0, 0, 0, 1, 0, 0, 0, -1};
        const vec r_values = {-1, 0, 0, 0, 0, 1, 0, 0, -1};
        for (size_t k = 0; k < 9; ++k) {
            EXPECT_EQ(q_values[k], out.q[k]) << "Q element " << k;
            EXPECT_EQ(r_values[k], out.r[k]) << "R element " << k;
        }
    }
}

TEST(Householder, MatchesThePlainTranscriptionBitForBitInEveryMode) {
    std::mt19937_64 rng(7);
    const std::pair<uint32_t, uint32_t> shapes[] = {{1, 1}, {2, 1}, {3, 3}, {4, 2}, {5, 3}, {6, 6}, {8, 1}, {9, 5}, {16, 16}};
    for (const auto &shape : shapes) {
        const uint32_t m = shape.first, n = shape.second;
        const vec operand = random_matrix(rng, size_t(m) * n);
        const outputs ref = reference(operand, m, n);
        for (mode md : kModes) {
            SCOPED_TRACE(::testing::Message() << m << "x" << n << ", " << name_of(md));
            outputs out;
            ASSERT_EQ(MATRIX_OK, reduce(md, operand, m, n, out));
            EXPECT_TRUE(same_bits(ref.q, out.q));
            EXPECT_TRUE(same_bits(ref.r, out.r));
        }
    }
}

TEST(Householder, FactorsAreOrthogonalAndReproduceTheOperand) {
    std::mt19937_64 rng(11);
    const std::pair<uint32_t, uint32_t> shapes[] = {{3, 2}, {7, 7}, {12, 5}, {20, 20}};
    for (const auto &shape : shapes) {
        const uint32_t m = shape.first, n = shape.second;
        SCOPED_TRACE(::testing::Message() << m << "x" << n);
        const vec a = random_matrix(rng, size_t(m) * n);
        outputs out;
        ASSERT_EQ(MATRIX_OK, reduce(mode::in_a, a, m, n, out));
        const double tolerance = 1e-14 * m;
        for (size_t i = 0; i < m; ++i) {
            for (size_t j = 0; j < m; ++j) {
                long double dot = 0;
                for (size_t l = 0; l < m; ++l) {
                    dot += (long double)out.q[l * m + i] * out.q[l * m + j];
                }
                EXPECT_NEAR(i == j ? 1.0 : 0.0, (double)dot, tolerance) << "QtQ(" << i << "," << j << ")";
            }
            for (size_t j = 0; j < n; ++j) {
                long double sum = 0;
                for (size_t l = 0; l < m; ++l) {
                    sum += (long double)out.q[i * m + l] * out.r[l * n + j];
                }
                EXPECT_NEAR(a[i * n + j], (double)sum, 4 * tolerance) << "QR(" << i << "," << j << ")";
                if (i > j) {
                    EXPECT_NEAR(0.0, out.r[i * n + j], 4 * tolerance) << "R below the diagonal";
                }
            }
            if (i < n) {
                EXPECT_LT(out.r[i * n + i], 0.0) << "diagonal of R is -alpha";
            }
        }
    }
}

TEST(Householder, TinyNonZeroSOverflowsTheScaleAndStillSucceeds) {
    const vec operand = {1e-155};
    outputs out;
    ASSERT_EQ(MATRIX_OK, reduce(mode::in_a, operand, 1, 1, out));
    const outputs ref = reference(operand, 1, 1);
    EXPECT_TRUE(std::isinf(out.q[0]));
    EXPECT_TRUE(same_values(ref.q, out.q));
    EXPECT_TRUE(same_values(ref.r, out.r));
}

TEST(Householder, NoColumnsLeavesBothOutputsUntouched) {
    for (uint32_t m : {0u, 1u, 3u}) {
        SCOPED_TRACE(::testing::Message() << m << " rows");
        vec operand = {1, 2, 3};
        vec q = canaries(9), r = canaries(3);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(MATRIX_OK, lib::matrix('h', operand.data(), m, 0, nullptr, 0, 0, q.data(), r.data(), &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(q));
        EXPECT_TRUE(untouched(r));
        EXPECT_EQ(MATRIX_OK, lib::matrix('h', nullptr, 5, 5, operand.data(), m, 0, q.data(), r.data(), nullptr));
        EXPECT_TRUE(untouched(q));
        EXPECT_TRUE(untouched(r));
    }
}

struct check_case {
    const char *what;
    bool a_given, b_given, result_given, result2_given;
    uint32_t a_rows, a_cols, b_rows, b_cols;
    int32_t status;
};

TEST(Householder, RefusalsComeInOrderAndWriteNothing) {
    const uint32_t huge = 0xffffffffu;  // huge * huge * 8 bytes fits no size_t
    const check_case cases[] = {
        {"no operand", false, false, true, true, 3, 2, 3, 2, MATRIX_BAD_ARGUMENT},
        {"no operand, no outputs, wide shape", false, false, false, false, 2, 3, 2, 3, MATRIX_BAD_ARGUMENT},
        {"null result", true, false, false, true, 3, 2, 0, 0, MATRIX_BAD_ARGUMENT},
        {"null result2, all else valid", true, false, true, false, 3, 2, 0, 0, MATRIX_BAD_ARGUMENT},
        {"null result2 before shape", false, true, true, false, 0, 0, 2, 3, MATRIX_BAD_ARGUMENT},
        {"more columns than rows", true, false, true, true, 2, 3, 0, 0, MATRIX_SHAPE_MISMATCH},
        {"no rows, one column", true, false, true, true, 0, 1, 0, 0, MATRIX_SHAPE_MISMATCH},
        {"b decides the shape although a is valid", true, true, true, true, 3, 3, 2, 3, MATRIX_SHAPE_MISMATCH},
        {"running product too large, no columns", true, false, true, true, huge, 0, 0, 0, MATRIX_NO_MEMORY},
        {"running product too large", false, true, true, true, 0, 0, huge, 1, MATRIX_NO_MEMORY},
    };
    for (const check_case &c : cases) {
        SCOPED_TRACE(c.what);
        vec a(9, 2.0), b(9, 3.0);
        vec q = canaries(9), r = canaries(9);
        int32_t swaps = kSwapsCanary;
        EXPECT_EQ(c.status, lib::matrix('h', c.a_given ? a.data() : nullptr, c.a_rows, c.a_cols,
                                        c.b_given ? b.data() : nullptr, c.b_rows, c.b_cols,
                                        c.result_given ? q.data() : nullptr, c.result2_given ? r.data() : nullptr,
                                        &swaps));
        EXPECT_EQ(0, swaps);
        EXPECT_TRUE(untouched(q));
        EXPECT_TRUE(untouched(r));
        EXPECT_TRUE(same_bits(vec(9, 2.0), a));
        EXPECT_TRUE(same_bits(vec(9, 3.0), b));
    }
}

TEST(Householder, RunningProductTooLargeForA32BitSizeIsRefused) {
    if (sizeof(size_t) != 4) {
        GTEST_SKIP() << "65536 * 65536 * 8 bytes fits a 64-bit size";
    }
    vec a(4, 1.0), q = canaries(4), r = canaries(4);
    EXPECT_EQ(MATRIX_NO_MEMORY, lib::matrix('h', a.data(), 65536, 1, nullptr, 0, 0, q.data(), r.data(), nullptr));
    EXPECT_TRUE(untouched(q));
    EXPECT_TRUE(untouched(r));
}

}  // namespace
