// Every operation of the fast library against the reference build, bit for bit: status,
// counter and every element of every buffer (outputs start as canaries, and each buffer runs
// past its shape with canaries, so elements that must stay unwritten are compared too). Each
// case runs on the shipped library and on every kernel level that this CPU has. Values mix
// ordinary numbers with signed zeros, infinities, NaN payloads, subnormals and numbers of few
// significant bits whose sums round on ties.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "matrix_testing.h"
#include "runners.h"

namespace {

using testing_support::canary;
using testing_support::from_bits;
using testing_support::vec;

constexpr size_t kSpare = 3;  // canaries past the largest shape a buffer is used with

// Which buffer an argument of `matrix` points to.
enum slot { none, buf_a, buf_b, buf_r, buf_r2 };

struct call_case {
    char op;
    slot a;
    uint32_t a_rows, a_cols;
    slot b;
    uint32_t b_rows, b_cols;
    slot result;
    slot result2;
    size_t result_size;   // elements the result buffer must hold
    size_t result2_size;  // elements the second output must hold
    std::string label;
};

std::string shape_text(const call_case &c) {
    return std::string("'") + c.op + "' " + c.label + " a " + std::to_string(c.a_rows) + "x" +
           std::to_string(c.a_cols) + " b " + std::to_string(c.b_rows) + "x" + std::to_string(c.b_cols);
}

class values {
public:
    explicit values(uint64_t seed) : rng_(seed) {}

    // special: the share of special values, in 1/1000.
    double next(unsigned special) {
        if (pick(1000) < special) {
            switch (pick(8)) {
            case 0: return 0.0;
            case 1: return -0.0;
            case 2: return testing_support::inf();
            case 3: return -testing_support::inf();
            case 4: return testing_support::nan_with_payload(1 + pick(1u << 20));
            case 5: return from_bits(0xfff0000000000000ULL | (1 + pick(1u << 20)));  // signalling
            case 6: return from_bits(1 + (rng_() & 0x000fffffffffffffULL)) * (pick(2) ? 1 : -1);
            default: return pick(2) ? 1e308 : -1e-308;
            }
        }
        if (pick(4) == 0) {
            // Few significant bits over a wide range of exponents: many sums land on ties.
            const double m = static_cast<double>(static_cast<int>(pick(31)) - 15);
            return std::ldexp(m, static_cast<int>(pick(120)) - 60);
        }
        return std::uniform_real_distribution<double>(-2.0, 2.0)(rng_);
    }

    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }

private:
    std::mt19937_64 rng_;
};

struct run_result {
    int32_t status;
    int32_t swaps;
    vec buffers[4];  // a, b, result, result2
};

run_result execute(const call_case &c, const vec (&initial)[4], runner run, int level) {
    run_result out;
    for (int k = 0; k < 4; ++k) {
        out.buffers[k] = initial[k];
    }
    auto ptr = [&](slot s) -> double * { return s == none ? nullptr : out.buffers[s - 1].data(); };
    out.swaps = testing_support::kSwapsCanary;
    out.status = run(level, c.op, ptr(c.a), c.a_rows, c.a_cols, ptr(c.b), c.b_rows, c.b_cols, ptr(c.result),
                     ptr(c.result2), &out.swaps);
    return out;
}

// Runs one case on the reference and on every implementation under test and compares.
void check_case(const call_case &c, values &gen, unsigned special) {
    // Buffer sizes: every shape a buffer is used with, plus spare canaries.
    size_t size[4] = {0, 0, 0, 0};
    auto need = [&](slot s, size_t n) {
        if (s != none) {
            size[s - 1] = std::max(size[s - 1], n);
        }
    };
    need(c.a, static_cast<size_t>(c.a_rows) * c.a_cols);
    need(c.b, static_cast<size_t>(c.b_rows) * c.b_cols);
    need(c.result, c.result_size);
    need(c.result2, c.result2_size);
    vec initial[4];
    for (int k = 0; k < 4; ++k) {
        initial[k] = testing_support::canaries(size[k] + kSpare);
    }
    auto fill = [&](slot s, size_t n) {
        if (s != none) {
            for (size_t k = 0; k < n; ++k) {
                initial[s - 1][k] = gen.next(special);
            }
        }
    };
    fill(c.a, static_cast<size_t>(c.a_rows) * c.a_cols);
    fill(c.b, static_cast<size_t>(c.b_rows) * c.b_cols);

    const run_result expected = execute(c, initial, run_reference, 0);
    struct candidate {
        runner run;
        int level;
        std::string name;
    };
    std::vector<candidate> candidates = {{run_shipped, 0, "shipped library"}};
    for (int level = 0; level <= dorvane_paths_cpu_level(); ++level) {
        candidates.push_back({run_level, level, "kernel level " + std::to_string(level)});
    }
    const bool moves_only = c.op == 'x' || c.op == 'v';
    for (const candidate &k : candidates) {
        const run_result actual = execute(c, initial, k.run, k.level);
        const std::string where = shape_text(c) + " on " + k.name;
        ASSERT_EQ(expected.status, actual.status) << where;
        ASSERT_EQ(expected.swaps, actual.swaps) << where;
        for (int b = 0; b < 4; ++b) {
            ASSERT_TRUE(moves_only ? testing_support::same_bits(expected.buffers[b], actual.buffers[b])
                                   : testing_support::same_values(expected.buffers[b], actual.buffers[b]))
                << where << ", buffer " << "a b r r2"[2 * b];
        }
    }
}

// Dimensions: mostly small, some across the kernels' block and vector boundaries.
uint32_t dimension(values &gen, uint32_t limit) {
    switch (gen.pick(4)) {
    case 0: return 1 + gen.pick(4);
    case 1: return 1 + gen.pick(limit);
    default: return 1 + gen.pick(std::min<uint32_t>(limit, 40));
    }
}

constexpr unsigned kSpecialShares[] = {0, 10, 150};

TEST(Differential, ElementWiseSumDifferenceInEveryAliasing) {
    values gen(1);
    for (char op : {'+', '-'}) {
        for (int trial = 0; trial < 60; ++trial) {
            const uint32_t r = dimension(gen, 300), cl = dimension(gen, 300);
            const size_t n = static_cast<size_t>(r) * cl;
            const unsigned special = kSpecialShares[trial % 3];
            check_case({op, buf_a, r, cl, buf_b, r, cl, buf_r, none, n, 0, "distinct"}, gen, special);
            check_case({op, buf_a, r, cl, buf_b, r, cl, buf_a, none, n, 0, "result=a"}, gen, special);
            check_case({op, buf_a, r, cl, buf_b, r, cl, buf_b, none, n, 0, "result=b"}, gen, special);
            check_case({op, buf_a, r, cl, buf_a, r, cl, buf_a, none, n, 0, "result=a=b"}, gen, special);
            check_case({op, buf_a, r, cl, buf_a, r, cl, buf_r, none, n, 0, "a=b"}, gen, special);
        }
    }
}

TEST(Differential, LargeElementWiseOperationsStreamPastTheCache) {
    values gen(2);
    // Large enough for the non-temporal stores; odd sizes leave unaligned heads and tails.
    const uint32_t r = 1031, cl = 1029;
    const size_t n = static_cast<size_t>(r) * cl;
    check_case({'+', buf_a, r, cl, buf_b, r, cl, buf_r, none, n, 0, "distinct"}, gen, 10);
    check_case({'-', buf_a, r, cl, buf_b, r, cl, buf_b, none, n, 0, "result=b"}, gen, 10);
    check_case({'.', buf_a, r, cl, buf_b, 1, 1, buf_a, none, n, 0, "in place"}, gen, 10);
}

TEST(Differential, ScalingWithTheScalarInEitherOperand) {
    values gen(3);
    for (int trial = 0; trial < 60; ++trial) {
        const uint32_t r = dimension(gen, 300), cl = dimension(gen, 300);
        const size_t n = static_cast<size_t>(r) * cl;
        const unsigned special = kSpecialShares[trial % 3];
        check_case({'.', buf_a, r, cl, buf_b, 1, 1, buf_r, none, n, 0, "scalar in b"}, gen, special);
        check_case({'.', buf_a, 1, 1, buf_b, r, cl, buf_r, none, n, 0, "scalar in a"}, gen, special);
        check_case({'.', buf_a, r, cl, buf_b, 1, 1, buf_a, none, n, 0, "in place, scalar in b"}, gen, special);
        check_case({'.', buf_a, 1, 1, buf_b, r, cl, buf_b, none, n, 0, "in place, scalar in a"}, gen, special);
        check_case({'.', buf_a, 1, 1, buf_b, 1, 1, buf_b, none, 1, 0, "1x1 over the scalar"}, gen, special);
        check_case({'.', buf_a, r, cl, buf_b, 1, cl, buf_r, none, n, 0, "no scalar"}, gen, special);
    }
}

TEST(Differential, ProductInEveryAliasing) {
    values gen(4);
    for (int trial = 0; trial < 90; ++trial) {
        const uint32_t m = dimension(gen, 90), n = dimension(gen, 90), p = dimension(gen, 90);
        const unsigned special = kSpecialShares[trial % 3];
        const size_t mp = static_cast<size_t>(m) * p;
        check_case({'*', buf_a, m, n, buf_b, n, p, buf_r, none, mp, 0, "distinct"}, gen, special);
        check_case({'*', buf_a, m, n, buf_b, n, p, buf_a, none, mp, 0, "result=a"}, gen, special);
        check_case({'*', buf_a, m, n, buf_b, n, p, buf_b, none, mp, 0, "result=b"}, gen, special);
        check_case({'*', buf_a, m, m, buf_a, m, m, buf_a, none, static_cast<size_t>(m) * m, 0, "square in place"},
                   gen, special);
        check_case({'*', buf_a, m, 1, buf_a, 1, m, buf_r, none, static_cast<size_t>(m) * m, 0, "outer product"},
                   gen, special);
        check_case({'*', buf_a, m, n, buf_b, n + 1, p, buf_r, none, mp, 0, "inner mismatch"}, gen, special);
    }
}

TEST(Differential, ProductAcrossBlockBoundaries) {
    values gen(5);
    // Long inner dimensions (several blocks of k) and results wider and taller than one block.
    const uint32_t shapes[][3] = {{7, 700, 9}, {3, 1100, 17}, {130, 300, 70}, {33, 520, 301},
                                  {257, 64, 131}, {64, 64, 64}, {128, 128, 128}, {1, 1500, 1}};
    for (const auto &s : shapes) {
        const size_t mp = static_cast<size_t>(s[0]) * s[2];
        check_case({'*', buf_a, s[0], s[1], buf_b, s[1], s[2], buf_r, none, mp, 0, "distinct"}, gen, 0);
        check_case({'*', buf_a, s[0], s[1], buf_b, s[1], s[2], buf_r, none, mp, 0, "distinct, specials"}, gen, 2);
    }
}

TEST(Differential, TransposeInPlaceAndOutOfPlace) {
    values gen(6);
    for (int trial = 0; trial < 40; ++trial) {
        const uint32_t n = dimension(gen, 200) + (trial % 4 == 0 ? 32 : 0);
        const size_t nn = static_cast<size_t>(n) * n;
        check_case({'x', buf_a, n, n, none, 0, 0, buf_r, none, nn, 0, "a into result"}, gen, 150);
        check_case({'x', none, 0, 0, buf_b, n, n, buf_r, none, nn, 0, "b into result"}, gen, 150);
        check_case({'x', buf_a, n, n, none, 0, 0, buf_a, none, nn, 0, "a in place"}, gen, 150);
        check_case({'x', none, 0, 0, buf_b, n, n, buf_b, none, nn, 0, "b in place"}, gen, 150);
        check_case({'x', buf_a, n, n + 1, none, 0, 0, buf_r, none, nn + n, 0, "not square"}, gen, 150);
    }
}

TEST(Differential, PivotingAndTriangularizationWithAndWithoutCompanion) {
    values gen(7);
    for (char op : {'v', 't'}) {
        for (int trial = 0; trial < 30; ++trial) {
            const uint32_t n = dimension(gen, 60), m = dimension(gen, 60) - 1;
            const unsigned special = kSpecialShares[trial % 3];
            const size_t nn = static_cast<size_t>(n) * n, nm = static_cast<size_t>(n) * m;
            check_case({op, buf_a, n, n, none, 0, 0, buf_r, none, nn, 0, "alone"}, gen, special);
            check_case({op, buf_a, n, n, buf_b, n, m, buf_r, buf_r2, nn, nm, "companion"}, gen, special);
            check_case({op, buf_a, n, n, buf_b, n, m, buf_a, buf_b, nn, nm, "both in place"}, gen, special);
        }
    }
}

TEST(Differential, DeterminantInverseFactorization) {
    values gen(8);
    for (char op : {'d', 'i', 'f'}) {
        for (int trial = 0; trial < 30; ++trial) {
            const uint32_t n = dimension(gen, 48);
            const unsigned special = kSpecialShares[trial % 3];
            const size_t out = op == 'd' ? 1 : static_cast<size_t>(n) * n;
            check_case({op, buf_a, n, n, none, 0, 0, buf_r, none, out, 0, "operand in a"}, gen, special);
            check_case({op, none, 0, 0, buf_b, n, n, buf_r, none, out, 0, "operand in b"}, gen, special);
            check_case({op, buf_a, n, n, none, 0, 0, buf_a, none, out, 0, "in place"}, gen, special);
        }
    }
}

TEST(Differential, HouseholderReduction) {
    values gen(9);
    for (int trial = 0; trial < 24; ++trial) {
        const uint32_t m = dimension(gen, 24);
        const uint32_t n = 1 + gen.pick(m);
        const unsigned special = kSpecialShares[trial % 3];
        const size_t mm = static_cast<size_t>(m) * m, mn = static_cast<size_t>(m) * n;
        check_case({'h', buf_a, m, n, none, 0, 0, buf_r, buf_r2, mm, mn, "operand in a"}, gen, special);
        check_case({'h', none, 0, 0, buf_b, m, n, buf_r, buf_r2, mm, mn, "operand in b"}, gen, special);
        check_case({'h', buf_a, m, n, none, 0, 0, buf_r, buf_a, mm, mn, "R over the operand"}, gen, special);
        check_case({'h', buf_a, m, n, none, 0, 0, buf_a, buf_r2, mm, mn, "Q over the operand"}, gen, special);
    }
}

}  // namespace
