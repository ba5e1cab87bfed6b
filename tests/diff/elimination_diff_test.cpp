// The blocked elimination ('t', and 'd' through it) and the back substitution of the inverse
// ('i') against the step-by-step reference build, bit for bit, on the shipped library and on
// every kernel level: orders around the panel and row-tile edges, zero pivots (skipped steps)
// inside panels and on their edges, NaN pivots, rows whose factors are +0.0 or -0.0, pivots
// tied in magnitude, companions of 0, 1, some and n columns, and every aliasing the operations
// allow. Output buffers start as canaries and run past their shapes, so stray writes show.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "matrix_testing.h"
#include "runners.h"

namespace {

using testing_support::canaries;
using testing_support::from_bits;
using testing_support::vec;

constexpr size_t kSpare = 3;

// Orders on both sides of the strip (16 steps) and panel (64 steps) edges, and of the row tiles
// below a panel (64 rows).
constexpr uint32_t kOrders[] = {0, 1, 2, 3, 15, 16, 17, 31, 33, 63, 64, 65, 97, 129, 161, 200};

// How an operand is built.
enum class kind {
    plain,          // uniform values
    specials,       // infinities, NaNs, signed zeros, subnormals mixed in
    sparse,         // mostly +0.0 and -0.0: many factors of +-0.0, skipped steps
    zero_columns,   // whole zero columns at panel edges and inside panels: zero pivots
    nan_pivot,      // a NaN column inside the second panel: NaN pivot and factors
    ties,           // small integers: pivots tied in magnitude, exact cancellations
    duplicate_rows  // rank deficient: exact and rounding-size zero pivots
};

const char *name(kind k) {
    switch (k) {
    case kind::plain: return "plain";
    case kind::specials: return "specials";
    case kind::sparse: return "sparse";
    case kind::zero_columns: return "zero columns";
    case kind::nan_pivot: return "NaN pivot";
    case kind::ties: return "ties";
    case kind::duplicate_rows: return "duplicate rows";
    }
    return "?";
}

constexpr kind kKinds[] = {kind::plain,       kind::specials, kind::sparse,        kind::zero_columns,
                           kind::nan_pivot, kind::ties,     kind::duplicate_rows};

class generator {
public:
    explicit generator(uint64_t seed) : rng_(seed) {}

    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
    double uniform() { return std::uniform_real_distribution<double>(-2.0, 2.0)(rng_); }

    double special() {
        switch (pick(7)) {
        case 0: return 0.0;
        case 1: return -0.0;
        case 2: return testing_support::inf();
        case 3: return -testing_support::inf();
        case 4: return testing_support::nan_with_payload(1 + pick(1u << 20));
        case 5: return from_bits(1 + (rng_() & 0x000fffffffffffffULL));  // subnormal
        default: return pick(2) ? 1e300 : -1e-300;
        }
    }

    // rows x cols of the given kind.
    vec matrix(kind k, uint32_t rows, uint32_t cols) {
        vec m(static_cast<size_t>(rows) * cols);
        for (double &x : m) {
            switch (k) {
            case kind::specials: x = pick(100) < 3 ? special() : uniform(); break;
            case kind::sparse: x = pick(10) < 7 ? (pick(2) ? 0.0 : -0.0) : uniform(); break;
            case kind::ties: x = static_cast<double>(static_cast<int>(pick(7)) - 3); break;
            default: x = uniform(); break;
            }
        }
        if (k == kind::zero_columns) {
            for (uint32_t c : {0u, 5u, 15u, 16u, 31u, 32u, 40u, 41u, 63u, 64u, 130u}) {
                for (uint32_t r = 0; c < cols && r < rows; ++r) {
                    m[static_cast<size_t>(r) * cols + c] = pick(2) ? 0.0 : -0.0;
                }
            }
        }
        if (k == kind::nan_pivot && cols > 0) {
            const uint32_t c = cols > 40 ? 40 : cols - 1;
            for (uint32_t r = 0; r < rows; ++r) {
                m[static_cast<size_t>(r) * cols + c] = testing_support::qnan();
            }
        }
        if (k == kind::duplicate_rows) {
            for (uint32_t r = 1; r < rows; r += 3) {
                std::copy_n(m.data() + static_cast<size_t>(r - 1) * cols, cols, m.data() + static_cast<size_t>(r) * cols);
            }
        }
        return m;
    }

private:
    std::mt19937_64 rng_;
};

// The buffers of one call; `result` and `result2` may be the operands themselves.
enum class placement { distinct, in_place, operand_in_b };

struct outcome {
    int32_t status;
    int32_t swaps;
    vec a, b, result, result2;
};

vec with_spare(const vec &m) {
    vec out = canaries(m.size() + kSpare);
    std::copy(m.begin(), m.end(), out.begin());
    return out;
}

// One call of 't', 'd' or 'i' on operand a (n x n) and, for 't', the companion b (n x m; null
// when m_cols < 0).
outcome execute(runner run, int level, char op, const vec &a, uint32_t n, const vec *b, uint32_t m,
                placement where) {
    outcome o;
    o.a = with_spare(a);
    // With the operand in b ('d' and 'i'), b holds the operand itself.
    o.b = b != nullptr ? with_spare(*b) : where == placement::operand_in_b ? with_spare(a) : canaries(kSpare);
    const size_t result_size = op == 'd' ? 1 : static_cast<size_t>(n) * n;
    o.result = canaries(result_size + kSpare);
    o.result2 = canaries(static_cast<size_t>(n) * m + kSpare);
    o.swaps = testing_support::kSwapsCanary;
    if (op == 't') {
        double *r = where == placement::in_place ? o.a.data() : o.result.data();
        double *r2 = where == placement::in_place ? o.b.data() : o.result2.data();
        o.status = run(level, op, o.a.data(), n, n, b != nullptr ? o.b.data() : nullptr, b != nullptr ? n : 0,
                       b != nullptr ? m : 0, r, b != nullptr ? r2 : nullptr, &o.swaps);
    } else if (where == placement::operand_in_b) {
        o.status = run(level, op, nullptr, 0, 0, o.b.data(), n, n, o.result.data(), nullptr, &o.swaps);
    } else {
        double *r = where == placement::in_place ? o.a.data() : o.result.data();
        o.status = run(level, op, o.a.data(), n, n, nullptr, 0, 0, r, nullptr, &o.swaps);
    }
    return o;
}

void expect_same(const outcome &expected, const outcome &actual, const std::string &where) {
    ASSERT_EQ(expected.status, actual.status) << where;
    ASSERT_EQ(expected.swaps, actual.swaps) << where;
    ASSERT_TRUE(testing_support::same_values(expected.a, actual.a)) << where << ", buffer a";
    ASSERT_TRUE(testing_support::same_values(expected.b, actual.b)) << where << ", buffer b";
    ASSERT_TRUE(testing_support::same_values(expected.result, actual.result)) << where << ", result";
    ASSERT_TRUE(testing_support::same_values(expected.result2, actual.result2)) << where << ", result2";
}

// Runs the call on the reference and on every implementation under test; returns the
// reference's status.
int32_t check(char op, const vec &a, uint32_t n, const vec *b, uint32_t m, placement where,
              const std::string &label) {
    const outcome expected = execute(run_reference, 0, op, a, n, b, m, where);
    const std::string text = std::string("'") + op + "' n " + std::to_string(n) + " " + label;
    expect_same(expected, execute(run_shipped, 0, op, a, n, b, m, where), text + " on the shipped library");
    for (int level = 0; level <= dorvane_paths_cpu_level(); ++level) {
        expect_same(expected, execute(run_level, level, op, a, n, b, m, where),
                    text + " on kernel level " + std::to_string(level));
    }
    return expected.status;
}

TEST(EliminationDifferential, TriangularizationWithCompanionsOfEveryWidth) {
    generator gen(11);
    for (uint32_t n : kOrders) {
        for (kind k : kKinds) {
            const vec a = gen.matrix(k, n, n);
            const std::string label = name(k);
            check('t', a, n, nullptr, 0, placement::distinct, label + ", no companion");
            check('t', a, n, nullptr, 0, placement::in_place, label + ", no companion, result = a");
            for (uint32_t m : {0u, 1u, 7u, n}) {
                const vec b = gen.matrix(k == kind::nan_pivot ? kind::plain : k, n, m);
                const std::string with = label + ", companion of " + std::to_string(m) + " columns";
                check('t', a, n, &b, m, placement::distinct, with);
                check('t', a, n, &b, m, placement::in_place, with + ", result = a, result2 = b");
            }
        }
    }
}

TEST(EliminationDifferential, TriangularizationOfLargerOrdersWithIdentityCompanion) {
    generator gen(12);
    for (uint32_t n : {255u, 300u}) {
        for (kind k : {kind::plain, kind::zero_columns, kind::sparse}) {
            const vec a = gen.matrix(k, n, n);
            const vec b = testing_support::identity(n);
            check('t', a, n, &b, n, placement::in_place, std::string(name(k)) + ", identity companion in place");
        }
    }
}

TEST(EliminationDifferential, DeterminantThroughTheBlockedElimination) {
    generator gen(13);
    for (uint32_t n : kOrders) {
        if (n == 0) {
            continue;  // not an operand of 'd'
        }
        for (kind k : kKinds) {
            const vec a = gen.matrix(k, n, n);
            check('d', a, n, nullptr, 0, placement::distinct, name(k));
            check('d', a, n, nullptr, 0, placement::operand_in_b, std::string(name(k)) + ", operand in b");
        }
    }
}

TEST(EliminationDifferential, InverseSolvesEveryColumnAtOnce) {
    generator gen(14);
    int zero_divisors = 0;
    for (uint32_t n : kOrders) {
        for (kind k : kKinds) {
            const vec a = gen.matrix(k, n, n);
            const std::string label = name(k);
            if (check('i', a, n, nullptr, 0, placement::distinct, label) == MATRIX_ZERO_DIVISOR) {
                ++zero_divisors;
            }
            check('i', a, n, nullptr, 0, placement::in_place, label + ", result = operand");
            check('i', a, n, nullptr, 0, placement::operand_in_b, label + ", operand in b");
        }
    }
    // The zero-divisor state (column 0 partly solved) was compared, not only the solved inverse.
    EXPECT_GT(zero_divisors, 0);
}

TEST(EliminationDifferential, InverseStopsAtTheLastZeroDivisor) {
    // A zero divisor at one chosen row: the rows below it are solved in column 0 only.
    generator gen(15);
    for (uint32_t n : {2u, 33u, 70u, 150u}) {
        for (uint32_t zero_row : {0u, 1u, n / 2, n - 2, n - 1}) {
            // Upper triangular with a zero at (zero_row, zero_row): the elimination keeps it.
            vec a = gen.matrix(kind::plain, n, n);
            for (uint32_t r = 0; r < n; ++r) {
                for (uint32_t c = 0; c < r; ++c) {
                    a[static_cast<size_t>(r) * n + c] = 0.0;
                }
                a[static_cast<size_t>(r) * n + r] = r == zero_row ? -0.0 : 4.0 + gen.uniform();
            }
            EXPECT_EQ(MATRIX_ZERO_DIVISOR,
                      check('i', a, n, nullptr, 0, placement::distinct, "zero divisor at row " + std::to_string(zero_row)));
        }
    }
}

}  // namespace
