// The C++ layer against the shipped library: results of the checked functions, statuses of the
// plain ones, status texts and the exception type.
#include <set>
#include <string>
#include <type_traits>

#include "dorvane.hpp"
#include "matrix_testing.h"

using namespace testing_support;

namespace {

static_assert(std::is_convertible_v<dorvane::view, dorvane::const_view>);
static_assert(!std::is_convertible_v<dorvane::const_view, dorvane::view>);
static_assert(std::is_base_of_v<std::runtime_error, dorvane::error>);

dorvane::dense make(uint32_t rows, uint32_t cols, vec values) { return dorvane::dense(rows, cols, std::move(values)); }

// Operand order matters in each of these: a swapped a and b would give other values.
TEST(CheckedResults, TwoOperandOperationsKeepTheirOrder) {
    const auto a = make(2, 2, {1, 2, 3, 4});
    const auto b = make(2, 2, {5, 6, 7, 8});
    EXPECT_TRUE(same_bits({19, 22, 43, 50}, dorvane::checked::multiply(a, b).values()));
    EXPECT_TRUE(same_bits({-4, -4, -4, -4}, dorvane::checked::subtract(a, b).values()));
    EXPECT_TRUE(same_bits({6, 8, 10, 12}, dorvane::checked::add(a, b).values()));
    const auto wide = make(2, 3, {1, 2, 3, 4, 5, 6});
    const auto tall = make(3, 1, {1, 0, -1});
    const auto product = dorvane::checked::multiply(wide, tall);
    EXPECT_EQ(2u, product.rows());
    EXPECT_EQ(1u, product.cols());
    EXPECT_TRUE(same_bits({-2, -2}, product.values()));
    const auto scaled = dorvane::checked::scale(wide, -0.5);
    EXPECT_EQ(2u, scaled.rows());
    EXPECT_EQ(3u, scaled.cols());
    EXPECT_TRUE(same_bits({-0.5, -1, -1.5, -2, -2.5, -3}, scaled.values()));
}

TEST(CheckedResults, TransposeAndRowOperations) {
    EXPECT_TRUE(same_bits({0, 3, 6, 1, 4, 7, 2, 5, 8},
                          dorvane::checked::transpose(make(3, 3, {0, 1, 2, 3, 4, 5, 6, 7, 8})).values()));
    // Column 0 brings up row 1 (|-2| is first of the largest), column 1 then exchanges rows 1 and 2;
    // the companion (the identity) records the permutation.
    const auto m = make(3, 3, {1, 5, 0, -2, 0, 1, 2, 7, 3});
    const auto companion = make(3, 3, {1, 0, 0, 0, 1, 0, 0, 0, 1});
    const auto pivoted = dorvane::checked::pivot(m, companion);
    EXPECT_TRUE(same_bits({-2, 0, 1, 2, 7, 3, 1, 5, 0}, pivoted.matrix.values()));
    EXPECT_TRUE(same_bits({0, 1, 0, 0, 0, 1, 1, 0, 0}, pivoted.companion.values()));
    EXPECT_EQ(2, pivoted.swaps);
    // [[1, 2], [4, 6]]: exchange, factor -(1/4) = -0.25, row 1 becomes [1 + 4*-0.25, 2 + 6*-0.25].
    const auto triangle = dorvane::checked::triangularize(make(2, 2, {1, 2, 4, 6}), make(2, 1, {10, 20}));
    EXPECT_TRUE(same_bits({4, 6, 0, 0.5}, triangle.matrix.values()));
    EXPECT_TRUE(same_bits({20, 5}, triangle.companion.values()));
    EXPECT_EQ(1, triangle.swaps);
    const auto alone = dorvane::checked::triangularize(make(2, 2, {1, 2, 4, 6}));
    EXPECT_EQ(0u, alone.companion.rows());
    EXPECT_TRUE(same_bits({4, 6, 0, 0.5}, alone.matrix.values()));
}

TEST(CheckedResults, DeterminantInverseFactorizationReduction) {
    EXPECT_EQ(bits(-6.0), bits(dorvane::checked::determinant(make(2, 2, {0, 2, 3, 0}))));
    EXPECT_TRUE(same_bits({0.5, 0, 0, 0.25}, dorvane::checked::inverse(make(2, 2, {2, 0, 0, 4})).values()));
    EXPECT_TRUE(same_bits({2, 1, 2, 3}, dorvane::checked::factorize(make(2, 2, {2, 1, 4, 5})).values()));
    const auto one = dorvane::checked::householder(make(1, 1, {5}));
    EXPECT_TRUE(same_bits({-1}, one.q.values()));
    EXPECT_TRUE(same_bits({-5}, one.r.values()));
    // The column [3, 4]: R keeps the rounding residue -2^-51 below the diagonal.
    const auto column = dorvane::checked::householder(make(2, 1, {3, 4}));
    EXPECT_EQ(2u, column.q.rows());
    EXPECT_EQ(2u, column.q.cols());
    EXPECT_TRUE(same_bits({-5, -0x1p-51}, column.r.values()));
    // No column: nothing to reflect, Q is the identity and R has no element.
    const auto empty = dorvane::checked::householder(make(2, 0, {}));
    EXPECT_TRUE(same_bits({1, 0, 0, 1}, empty.q.values()));
    EXPECT_TRUE(empty.r.values().empty());
    EXPECT_TRUE(dorvane::checked::inverse(make(0, 0, {})).values().empty());
}

TEST(PlainCalls, WriteIntoCallerBuffersAndReportStatuses) {
    vec a = {1, 2, 3, 4, 5, 6}, b = {1, 1, 1, 1, 1, 1};
    vec result = canaries(6);
    EXPECT_EQ(dorvane::status::shape_mismatch, dorvane::add({a.data(), 2, 3}, {b.data(), 3, 2}, {result.data(), 2, 3}));
    EXPECT_TRUE(untouched(result));
    EXPECT_EQ(dorvane::status::bad_argument, dorvane::add({a.data(), 2, 3}, {}, {result.data(), 2, 3}));
    EXPECT_TRUE(untouched(result));
    // In place: result is a.
    EXPECT_EQ(dorvane::status::ok, dorvane::add({a.data(), 2, 3}, {b.data(), 2, 3}, {a.data(), 2, 3}));
    EXPECT_TRUE(same_bits({2, 3, 4, 5, 6, 7}, a));
    double det = canary();
    EXPECT_EQ(dorvane::status::shape_mismatch, dorvane::determinant({a.data(), 2, 3}, det));
    EXPECT_EQ(kCanaryBits, bits(det));
    vec singular = {1, 2, 2, 4}, inverse = canaries(4);
    EXPECT_EQ(dorvane::status::zero_divisor, dorvane::inverse({singular.data(), 2, 2}, {inverse.data(), 2, 2}));
    vec leading = {0, 1, 1, 0}, packed = canaries(4);
    EXPECT_EQ(dorvane::status::zero_leading, dorvane::factorize({leading.data(), 2, 2}, {packed.data(), 2, 2}));
    EXPECT_TRUE(untouched(packed));
    int32_t swaps = kSwapsCanary;
    vec square = {1, 2, 3, 4}, rows = canaries(4);
    EXPECT_EQ(dorvane::status::ok, dorvane::pivot({square.data(), 2, 2}, {rows.data(), 2, 2}, {}, {}, &swaps));
    EXPECT_TRUE(same_bits({3, 4, 1, 2}, rows));
    EXPECT_EQ(1, swaps);
}

TEST(Dense, RefusesValuesThatDoNotFitItsShape) {
    EXPECT_THROW(dorvane::dense(2, 3, vec(5, 1.0)), std::invalid_argument);
    const dorvane::dense m(2, 3, vec{1, 2, 3, 4, 5, 6});
    EXPECT_EQ(6.0, m(1, 2));
    const dorvane::const_view v = m;
    EXPECT_EQ(m.data(), v.data());
    EXPECT_EQ(4.0, v(1, 0));
    // No elements, still a buffer: the library refuses null pointers.
    const dorvane::dense empty(0, 0);
    EXPECT_NE(nullptr, dorvane::const_view(empty).data());
}

TEST(StatusText, NamesEachStatusDistinctly) {
    const std::pair<dorvane::status, const char *> statuses[] = {
        {dorvane::status::ok, "MATRIX_OK"},
        {dorvane::status::zero_divisor, "MATRIX_ZERO_DIVISOR"},
        {dorvane::status::zero_leading, "MATRIX_ZERO_LEADING"},
        {dorvane::status::shape_mismatch, "MATRIX_SHAPE_MISMATCH"},
        {dorvane::status::bad_argument, "MATRIX_BAD_ARGUMENT"},
        {dorvane::status::unknown_operation, "MATRIX_UNKNOWN_OPERATION"},
        {dorvane::status::no_memory, "MATRIX_NO_MEMORY"},
    };
    std::set<std::string> seen;
    for (const auto &[code, name] : statuses) {
        const std::string text = dorvane::status_text(code);
        EXPECT_EQ(0u, text.rfind(std::string(name) + ": ", 0)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(std::size(statuses), seen.size());
    EXPECT_STREQ("not a status", dorvane::status_text(static_cast<dorvane::status>(5)));
}

TEST(CheckedErrors, CarryTheStatusAndItsText) {
    const auto check = [](auto call, dorvane::status expected) {
        try {
            call();
            ADD_FAILURE() << "no exception for " << dorvane::status_text(expected);
        } catch (const dorvane::error &e) {
            EXPECT_EQ(expected, e.code());
            EXPECT_STREQ(dorvane::status_text(expected), e.what());
        }
    };
    check([] { dorvane::checked::inverse(make(2, 2, {1, 2, 2, 4})); }, dorvane::status::zero_divisor);
    check([] { dorvane::checked::factorize(make(2, 2, {0, 1, 1, 0})); }, dorvane::status::zero_leading);
    check([] { dorvane::checked::multiply(make(2, 3, vec(6, 1.0)), make(2, 3, vec(6, 1.0))); },
          dorvane::status::shape_mismatch);
    check([] { dorvane::checked::householder(make(2, 3, vec(6, 1.0))); }, dorvane::status::shape_mismatch);
    check([] { dorvane::checked::determinant(make(0, 0, {})); }, dorvane::status::bad_argument);
    check([] { dorvane::checked::add(make(1, 2, {1, 2}), dorvane::const_view()); }, dorvane::status::bad_argument);
}

}  // namespace
