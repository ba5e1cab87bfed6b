// The Householder reduction and the factorization of the fast library against the reference
// build, bit for bit, on data chosen for each path: finite data (the fast paths), data that turns
// non-finite part-way (the Householder reduction hands its remaining steps to the literal path),
// steps whose reflection vector is zero, factorizations that stop at a zero divisor at every
// position relative to the row blocks, every aliasing mode, and sizes around block edges. Every
// buffer runs past its shape with canaries, so elements that must stay unwritten are compared
// too. Each case runs on the shipped library and on every kernel level of this CPU.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "matrix_testing.h"
#include "variants.h"

namespace {

using testing_support::canaries;
using testing_support::vec;

constexpr size_t kSpare = 3;

using entry_fn = std::function<int32_t(int32_t, const double *, uint32_t, uint32_t, const double *, uint32_t,
                                       uint32_t, double *, double *, int32_t *)>;

struct implementation {
    std::string name;
    entry_fn call;
};

std::vector<implementation> implementations_under_test() {
    std::vector<implementation> list = {{"shipped library", lib::matrix}};
    for (int level = 0; level <= dorvane_paths_cpu_level(); ++level) {
        list.push_back({"kernel level " + std::to_string(level),
                        [level](int32_t op, const double *a, uint32_t ar, uint32_t ac, const double *b, uint32_t br,
                                uint32_t bc, double *r, double *r2, int32_t *s) {
                            return dorvane_paths_matrix_at(level, op, a, ar, ac, b, br, bc, r, r2, s);
                        }});
    }
    return list;
}

// The four buffers a call may use; the operand sits in `a` or `b` as the call decides.
struct buffers {
    vec a, b, result, result2;
    int32_t swaps = testing_support::kSwapsCanary;
};

using call_fn = std::function<int32_t(const entry_fn &, buffers &)>;

// Runs `call` on the reference and on every implementation under test from the same buffers;
// returns the reference's status.
int32_t expect_same_as_reference(const buffers &initial, const call_fn &call, const std::string &what) {
    buffers expected = initial;
    const int32_t status = call(dorvane_reference_matrix, expected);
    for (const implementation &impl : implementations_under_test()) {
        buffers actual = initial;
        const std::string where = what + " on " + impl.name;
        EXPECT_EQ(status, call(impl.call, actual)) << where;
        EXPECT_EQ(expected.swaps, actual.swaps) << where;
        EXPECT_TRUE(testing_support::same_values(expected.a, actual.a)) << where << ", buffer a";
        EXPECT_TRUE(testing_support::same_values(expected.b, actual.b)) << where << ", buffer b";
        EXPECT_TRUE(testing_support::same_values(expected.result, actual.result)) << where << ", result";
        EXPECT_TRUE(testing_support::same_values(expected.result2, actual.result2)) << where << ", result2";
    }
    return status;
}

bool all_finite(const vec &x, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        if (!std::isfinite(x[k])) {
            return false;
        }
    }
    return true;
}

vec random_values(size_t count, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> value(-2.0, 2.0);
    vec x(count);
    for (double &e : x) {
        e = value(rng);
    }
    return x;
}

// ---------------------------------------------------------------------------------------------
// Householder reduction

enum class placement { operand_in_a, operand_in_b, both_given, r_over_operand, q_over_operand };

const placement kPlacements[] = {placement::operand_in_a, placement::operand_in_b, placement::both_given,
                                 placement::r_over_operand, placement::q_over_operand};

std::string placement_name(placement p) {
    switch (p) {
    case placement::operand_in_a: return "operand in a";
    case placement::operand_in_b: return "operand in b";
    case placement::both_given: return "a and b given, b reduced";
    case placement::r_over_operand: return "R over the operand";
    case placement::q_over_operand: return "Q over the operand";
    }
    return "";
}

// Compares the reduction of the m x n operand in every placement; returns the reference's Q and
// R of the first placement (operand in a) for the callers' own checks.
void expect_reduction_same(uint32_t m, uint32_t n, const vec &operand, const std::string &what,
                           vec *reference_q = nullptr, vec *reference_r = nullptr,
                           std::vector<placement> placements = {std::begin(kPlacements), std::end(kPlacements)}) {
    const size_t mm = static_cast<size_t>(m) * m, mn = static_cast<size_t>(m) * n;
    for (placement p : placements) {
        if (p == placement::q_over_operand && m == 0) {
            continue;
        }
        buffers initial;
        initial.a = canaries(mm + kSpare);
        initial.b = canaries(mm + kSpare);
        initial.result = canaries(mm + kSpare);
        initial.result2 = canaries(mn + kSpare);
        vec &holder = p == placement::operand_in_b || p == placement::both_given ? initial.b : initial.a;
        std::copy(operand.begin(), operand.begin() + static_cast<std::ptrdiff_t>(mn), holder.begin());
        if (p == placement::both_given) {
            initial.a = random_values(mm + kSpare, 99);
        }
        const call_fn call = [&](const entry_fn &run, buffers &b) {
            double *a = b.a.data(), *bb = b.b.data(), *r = b.result.data(), *r2 = b.result2.data();
            switch (p) {
            case placement::operand_in_a: return run('h', a, m, n, nullptr, 0, 0, r, r2, &b.swaps);
            case placement::operand_in_b: return run('h', nullptr, 0, 0, bb, m, n, r, r2, &b.swaps);
            case placement::both_given: return run('H', a, 2, 2, bb, m, n, r, r2, &b.swaps);
            case placement::r_over_operand: return run('h', a, m, n, nullptr, 0, 0, r, a, &b.swaps);
            case placement::q_over_operand: return run('h', a, m, n, nullptr, 0, 0, a, r2, &b.swaps);
            }
            return -1;
        };
        const std::string where = what + " " + std::to_string(m) + "x" + std::to_string(n) + ", " + placement_name(p);
        EXPECT_EQ(MATRIX_OK, expect_same_as_reference(initial, call, where)) << where;
        if (p == placement::operand_in_a && reference_q != nullptr) {
            buffers out = initial;
            call(dorvane_reference_matrix, out);
            *reference_q = vec(out.result.begin(), out.result.begin() + static_cast<std::ptrdiff_t>(mm));
            *reference_r = vec(out.result2.begin(), out.result2.begin() + static_cast<std::ptrdiff_t>(mn));
        }
    }
}

TEST(HouseholderDifferential, FiniteDataOnTheFastPathAcrossShapes) {
    // Square and tall, around the vector widths and the product kernel's tiles.
    const uint32_t shapes[][2] = {{1, 1}, {2, 1},  {2, 2},   {3, 3},   {5, 3},   {7, 7},  {8, 8},
                                  {9, 4}, {16, 9}, {17, 17}, {31, 30}, {33, 33}, {40, 1}, {65, 64}};
    uint64_t seed = 1;
    for (const auto &s : shapes) {
        const vec operand = random_values(static_cast<size_t>(s[0]) * s[1], seed++);
        expect_reduction_same(s[0], s[1], operand, "random");
    }
}

TEST(HouseholderDifferential, LargerReductionsCrossTheProductKernelBlocks) {
    expect_reduction_same(96, 96, random_values(96 * 96, 20), "random", nullptr, nullptr,
                          {placement::q_over_operand});
    expect_reduction_same(130, 70, random_values(130 * 70, 21), "random", nullptr, nullptr,
                          {placement::r_over_operand});
}

// Zeros of both signs in the operand give exact zeros in v, and -0.0 in the reflector's entries
// and in R: the rows and columns that the fast path passes over turn them into +0.0.
TEST(HouseholderDifferential, SignedZerosInTheOperand) {
    uint64_t seed = 25;
    for (const auto &s : {std::pair<uint32_t, uint32_t>{6, 6}, {11, 5}, {20, 20}}) {
        vec operand = random_values(static_cast<size_t>(s.first) * s.second, seed++);
        std::mt19937_64 rng(seed);
        for (double &x : operand) {
            switch (rng() % 4) {
            case 0: x = 0.0; break;
            case 1: x = -0.0; break;
            default: break;
            }
        }
        expect_reduction_same(s.first, s.second, operand, "signed zeros");
    }
}

TEST(HouseholderDifferential, NoColumnsLeavesBothOutputsUntouched) {
    for (uint32_t m : {0u, 1u, 6u}) {
        expect_reduction_same(m, 0, vec(), "no columns");
    }
}

// Operands that are finite on entry but whose values turn non-finite at a later step: the fast
// path must hand over to the literal one exactly there.
struct turning_case {
    std::string name;
    uint32_t m, n;
    uint32_t column;  // the column scaled
    double scale;
    bool constant;  // the column set to `scale` rather than multiplied by it
};

TEST(HouseholderDifferential, DataTurningNonFinitePartWaySwitchesToTheLiteralPath) {
    const turning_case cases[] = {
        // The sum of squares of column 3 overflows at step 3: alpha and v are infinite.
        {"column 3 near 1e200", 12, 8, 3, 1e200, false},
        {"last column near 1e200, square", 9, 9, 8, 1e200, false},
        // Products of the reflector with R overflow: R turns infinite after an early step.
        {"column 2 near 1e307", 10, 6, 2, 1e307, false},
        // s is subnormal at the last step, so f = -2/s is -infinity.
        {"last column near 1e-160", 11, 5, 4, 1e-160, false},
        // Only the last column overflows in the products: v and f stay finite at the next step,
        // but R does not.
        {"last column 1.5e308", 9, 5, 4, 1.5e308, true},
    };
    uint64_t seed = 30;
    for (const turning_case &c : cases) {
        vec operand = random_values(static_cast<size_t>(c.m) * c.n, seed++);
        for (uint32_t i = 0; i < c.m; ++i) {
            operand[i * c.n + c.column] = c.constant ? c.scale : operand[i * c.n + c.column] * c.scale;
        }
        ASSERT_TRUE(all_finite(operand, operand.size())) << c.name;
        vec q, r;
        expect_reduction_same(c.m, c.n, operand, c.name, &q, &r);
        // The case does what it claims: finite data whose reduction ends non-finite.
        EXPECT_FALSE(all_finite(q, q.size()) && all_finite(r, r.size())) << c.name;
    }
}

// Operands built so that one step of the fast path meets a particular non-finite value.
TEST(HouseholderDifferential, NonFiniteValuesMetAtAChosenStep) {
    const double big = 1.5e308;
    struct explicit_case {
        std::string name;
        uint32_t m, n;
        vec operand;  // row by row
    };
    const explicit_case cases[] = {
        // Step 0 skipped; step 1 has s = v . v overflowing while its sum of squares does not: f
        // is -0.0 and the trailing reflector holds a NaN, which the products carry on.
        {"s overflows at step 1", 4, 3, {-3, 5, 1, 0, 1.2e154, 2, 0, 1e-3, 3, 0, -2e-3, 4}},
        // Step 0 mixes rows 0 and 1 only, and row 0 of column 2 overflows to -infinity; step 1
        // meets it with finite v and f.
        {"R infinite in a row above the step", 5, 3, {1, 0.5, big, 1, -0.25, big, 0, 2, 1, 0, 1, 3, 0, 3, -1}},
        // Step 1 mixes rows 1 and 2 and overflows row 1 of column 3; steps 2 and 3 then have zero
        // reflection vectors on the literal path, so Q must be the running product as it was.
        {"R infinite, then only skipped steps", 6, 4,
         {2, 7, 5, 0, 0, 1, 0, big, 0, 1, 0, big, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const explicit_case &c : cases) {
        ASSERT_EQ(static_cast<size_t>(c.m) * c.n, c.operand.size()) << c.name;
        vec q, r;
        expect_reduction_same(c.m, c.n, c.operand, c.name, &q, &r);
        EXPECT_FALSE(all_finite(q, q.size()) && all_finite(r, r.size())) << c.name << " stays finite";
    }
}

TEST(HouseholderDifferential, NonFiniteOperandsRunTheLiteralPathFromTheStart) {
    const double inf = testing_support::inf();
    const double values[] = {inf, -inf, testing_support::nan_with_payload(0x1234)};
    uint64_t seed = 40;
    for (double special : values) {
        for (size_t position : {size_t{0}, size_t{17}, size_t{5 * 4 - 1}}) {
            vec operand = random_values(5 * 4, seed++);
            operand[position] = special;
            expect_reduction_same(5, 4, operand, "special at " + std::to_string(position));
        }
    }
}

TEST(HouseholderDifferential, StepsWithAZeroReflectionVectorAreSkippedAlike) {
    struct zero_case {
        std::string name;
        uint32_t m, n;
        std::function<double(uint32_t, uint32_t)> entry;
    };
    const vec noise = random_values(64, 50);
    const zero_case cases[] = {
        // Every step skipped: Q stays the identity, R the operand.
        {"upper triangular, negative diagonal", 6, 4,
         [](uint32_t i, uint32_t j) { return i == j ? -1.0 - j : (i < j ? 0.5 * (j - i) : 0.0); }},
        // Step 0 skipped: Q and P must become the identity before the later steps.
        {"zero first column", 7, 5, [&](uint32_t i, uint32_t j) { return j == 0 ? 0.0 : noise[i * 5 + j]; }},
        {"zero first column of -0.0", 5, 3, [&](uint32_t i, uint32_t j) { return j == 0 ? -0.0 : noise[i * 3 + j]; }},
        // A zero column in the middle: step 2 is skipped between fast steps.
        {"zero middle column", 8, 5, [&](uint32_t i, uint32_t j) { return j == 2 ? 0.0 : noise[i * 5 + j]; }},
        // The last step of a square operand on a non-positive remaining element.
        {"square, last step on zero", 3, 3,
         [](uint32_t i, uint32_t j) { return i == 2 && j == 2 ? 0.0 : static_cast<double>((i + 1) * (j + 2)); }},
        {"1x1 negative", 1, 1, [](uint32_t, uint32_t) { return -4.0; }},
    };
    for (const zero_case &c : cases) {
        vec operand(static_cast<size_t>(c.m) * c.n);
        for (uint32_t i = 0; i < c.m; ++i) {
            for (uint32_t j = 0; j < c.n; ++j) {
                operand[i * c.n + j] = c.entry(i, j);
            }
        }
        expect_reduction_same(c.m, c.n, operand, c.name);
    }
}

// ---------------------------------------------------------------------------------------------
// Factorization

// Runs 'f' on the n x n operand in a, in b and in place; returns the reference's status.
int32_t expect_factorization_same(uint32_t n, const vec &operand, const std::string &what) {
    const size_t nn = static_cast<size_t>(n) * n;
    int32_t first_status = -1;
    for (int mode = 0; mode < 3; ++mode) {
        buffers initial;
        initial.a = canaries(nn + kSpare);
        initial.b = canaries(kSpare);
        initial.result = canaries(nn + kSpare);
        initial.result2 = canaries(kSpare);
        std::copy(operand.begin(), operand.end(), initial.a.begin());
        if (mode == 1) {
            std::swap(initial.a, initial.b);
        }
        const call_fn call = [&](const entry_fn &run, buffers &b) {
            switch (mode) {
            case 0: return run('f', b.a.data(), n, n, nullptr, 0, 0, b.result.data(), nullptr, &b.swaps);
            case 1: return run('F', nullptr, 0, 0, b.b.data(), n, n, b.result.data(), b.result2.data(), &b.swaps);
            default: return run('f', b.a.data(), n, n, nullptr, 0, 0, b.a.data(), nullptr, &b.swaps);
            }
        };
        static const char *const kModes[] = {"operand in a", "operand in b", "in place"};
        const int32_t status =
            expect_same_as_reference(initial, call, what + " n=" + std::to_string(n) + ", " + kModes[mode]);
        if (mode == 0) {
            first_status = status;
        } else {
            EXPECT_EQ(first_status, status) << what;
        }
    }
    return first_status;
}

TEST(FactorizationDifferential, FiniteDataAroundBlockEdges) {
    // Row blocks hold 16384 / n rows (at most 64); the product runs 32 columns per call left of
    // a block and 256 from the block on.
    const uint32_t sizes[] = {1, 2, 3, 4, 7, 8, 9, 31, 33, 63, 64, 65, 129, 256, 257, 300, 600};
    uint64_t seed = 60;
    for (uint32_t n : sizes) {
        vec operand = random_values(static_cast<size_t>(n) * n, seed++);
        for (uint32_t i = 0; i < n; ++i) {
            operand[i * n + i] += n;  // keeps the factors of moderate size
        }
        EXPECT_EQ(MATRIX_OK, expect_factorization_same(n, operand, "dominant"));
        // Without a dominant diagonal the factors grow; ties and cancellations round differently.
        EXPECT_EQ(MATRIX_OK, expect_factorization_same(n, random_values(static_cast<size_t>(n) * n, seed++), "random"));
    }
}

TEST(FactorizationDifferential, SpecialValuesPropagateAlike) {
    const double specials[] = {testing_support::inf(), -testing_support::inf(),
                               testing_support::nan_with_payload(0x77), -0.0, testing_support::min_subnormal()};
    uint64_t seed = 70;
    for (uint32_t n : {5u, 70u, 140u}) {
        for (double special : specials) {
            vec operand = random_values(static_cast<size_t>(n) * n, seed++);
            std::mt19937_64 rng(seed);
            for (int k = 0; k < 3; ++k) {
                operand[1 + rng() % (operand.size() - 1)] = special;
            }
            expect_factorization_same(n, operand, "specials");
        }
    }
}

// A = L U with small integers, so that every step is exact and U(p, p) comes out exactly zero.
vec product_with_zero_pivot(uint32_t n, uint32_t p, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<double> l(static_cast<size_t>(n) * n, 0.0), u(static_cast<size_t>(n) * n, 0.0);
    for (uint32_t i = 0; i < n; ++i) {
        l[i * n + i] = 1.0;
        for (uint32_t k = 0; k < i; ++k) {
            l[i * n + k] = static_cast<double>(static_cast<int>(rng() % 3) - 1);
        }
        u[i * n + i] = i == p ? 0.0 : (rng() % 2 ? 1.0 : -1.0);
        for (uint32_t k = i + 1; k < n; ++k) {
            u[i * n + k] = static_cast<double>(static_cast<int>(rng() % 3) - 1);
        }
    }
    vec a(static_cast<size_t>(n) * n);
    for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t k = 0; k < n; ++k) {
            double s = 0.0;
            for (uint32_t t = 0; t < n; ++t) {
                s += l[i * n + t] * u[t * n + k];
            }
            a[i * n + k] = s;
        }
    }
    return a;
}

TEST(FactorizationDifferential, ZeroDivisorLeavesTheSamePartialStateWhereverItFalls) {
    struct zero_pivot {
        uint32_t n, p;
        const char *where;
    };
    // n = 200 runs row blocks of 64 rows, n = 600 blocks of 27 rows and several product calls.
    const zero_pivot cases[] = {
        {3, 1, "first possible"},
        {6, 4, "last possible"},
        {200, 5, "inside the first block"},
        {200, 62, "stop in the last row of a block"},
        {200, 63, "stop in the first row of the next block"},
        {200, 64, "first row of a block"},
        {200, 198, "last possible"},
        {600, 550, "late, with several product calls per row"},
        {600, 296, "stop in the first row of a later block"},
    };
    uint64_t seed = 80;
    for (const zero_pivot &c : cases) {
        const vec operand = product_with_zero_pivot(c.n, c.p, seed++);
        EXPECT_EQ(MATRIX_ZERO_DIVISOR, expect_factorization_same(c.n, operand, c.where)) << c.where;
    }
    // A zero in the last diagonal place is never a divisor.
    EXPECT_EQ(MATRIX_OK, expect_factorization_same(130, product_with_zero_pivot(130, 129, 90), "last diagonal"));
    // -0.0 counts as zero.
    const vec negative_zero = {1, 0, 0, 0, -0.0, 0, 0, 1, 1};
    EXPECT_EQ(MATRIX_ZERO_DIVISOR, expect_factorization_same(3, negative_zero, "-0.0 divisor"));
}

}  // namespace
