// Shared helpers of the test suites: the entry under test, bit patterns, canaries.
#ifndef DORVANE_MATRIX_TESTING_H
#define DORVANE_MATRIX_TESTING_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "dorvane.h"

namespace lib {

using entry_fn = int32_t(DORVANE_CALL *)(int32_t, const double *, uint32_t, uint32_t, const double *,
                                         uint32_t, uint32_t, double *, double *, int32_t *);

// The `matrix` under test: the linked library, or one loaded at run time, depending on the
// support source that the test executable is built with.
entry_fn entry();

inline int32_t matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols, const double *b,
                      uint32_t b_rows, uint32_t b_cols, double *result, double *result2, int32_t *swaps) {
    return entry()(op, a, a_rows, a_cols, b, b_rows, b_cols, result, result2, swaps);
}

}  // namespace lib

namespace testing_support {

using vec = std::vector<double>;

inline uint64_t bits(double x) {
    uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

inline double from_bits(uint64_t u) {
    double x;
    std::memcpy(&x, &u, sizeof x);
    return x;
}

// A signalling NaN with a payload that no arithmetic produces: a buffer element that still holds
// it was never written.
constexpr uint64_t kCanaryBits = 0x7ff4c0ffee15dead;
inline double canary() { return from_bits(kCanaryBits); }
inline vec canaries(size_t n) { return vec(n, canary()); }

constexpr int32_t kSwapsCanary = 0x5a5a5a5a;

inline double inf() { return std::numeric_limits<double>::infinity(); }
inline double qnan() { return std::numeric_limits<double>::quiet_NaN(); }
inline double nan_with_payload(uint64_t payload) { return from_bits(0x7ff8000000000000ULL | payload); }
inline double min_subnormal() { return std::numeric_limits<double>::denorm_min(); }

inline std::string describe(double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (0x%016llx)", x, static_cast<unsigned long long>(bits(x)));
    return text;
}

// Every element identical bit for bit: for values that are only moved, and for results whose
// NaNs (if any) carry a payload that is fixed by the operands.
inline ::testing::AssertionResult same_bits(const vec &expected, const vec &actual) {
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure() << "sizes differ: " << expected.size() << " vs " << actual.size();
    }
    for (size_t k = 0; k < expected.size(); ++k) {
        if (bits(expected[k]) != bits(actual[k])) {
            return ::testing::AssertionFailure() << "element " << k << ": expected " << describe(expected[k])
                                                 << ", got " << describe(actual[k]);
        }
    }
    return ::testing::AssertionSuccess();
}

// As same_bits, except that a NaN produced by arithmetic matches any NaN (its payload is not
// fixed by IEEE 754); the canary never matches an arithmetic NaN.
inline ::testing::AssertionResult same_values(const vec &expected, const vec &actual) {
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure() << "sizes differ: " << expected.size() << " vs " << actual.size();
    }
    for (size_t k = 0; k < expected.size(); ++k) {
        const bool both_nan = expected[k] != expected[k] && actual[k] != actual[k] &&
                              bits(expected[k]) != kCanaryBits && bits(actual[k]) != kCanaryBits;
        if (!both_nan && bits(expected[k]) != bits(actual[k])) {
            return ::testing::AssertionFailure() << "element " << k << ": expected " << describe(expected[k])
                                                 << ", got " << describe(actual[k]);
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult untouched(const vec &buffer) {
    return same_bits(canaries(buffer.size()), buffer);
}

// n x n identity.
inline vec identity(size_t n) {
    vec m(n * n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        m[i * n + i] = 1.0;
    }
    return m;
}

}  // namespace testing_support

#endif
