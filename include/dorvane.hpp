/*
 * dorvane.hpp: a header-only C++17 layer over `matrix` (dorvane.h). It adds no export of its own:
 * every function below is inline and ends in one call of `matrix`.
 *
 *   dorvane::const_view / dorvane::view   non-owning (pointer, rows, cols) of a row-major buffer
 *   dorvane::add(a, b, result) ...        one function per operation, returning dorvane::status;
 *                                          outputs go into caller buffers
 *   dorvane::status_text(status)           the name and meaning of a status
 *   dorvane::checked::add(a, b) ...        the same operations returning owning dorvane::dense
 *                                          results, throwing dorvane::error (which carries the
 *                                          status) on anything but MATRIX_OK
 *
 * Operand conventions are fixed by the layer: single-operand operations pass their operand in `a`
 * with a null `b`; the pivoting and the elimination pass the companion in `b`. The layer checks
 * that every non-null output view holds at least as many elements as the operation writes; when
 * one does not, the call returns status::shape_mismatch and the library is not called. All other
 * checks, and their order, are the library's.
 */
#ifndef DORVANE_HPP
#define DORVANE_HPP

#if defined(_MSVC_LANG) ? _MSVC_LANG < 201703L : __cplusplus < 201703L
#error "dorvane.hpp needs C++17"
#endif

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "dorvane.h"

namespace dorvane {

enum class status : int32_t {
    ok = MATRIX_OK,
    zero_divisor = MATRIX_ZERO_DIVISOR,
    zero_leading = MATRIX_ZERO_LEADING,
    shape_mismatch = MATRIX_SHAPE_MISMATCH,
    bad_argument = MATRIX_BAD_ARGUMENT,
    unknown_operation = MATRIX_UNKNOWN_OPERATION,
    no_memory = MATRIX_NO_MEMORY,
};

// "MATRIX_SHAPE_MISMATCH: the dimensions do not fit the operation", and so on; a value that is no
// status gives "not a status".
inline const char *status_text(status s) noexcept {
    switch (s) {
    case status::ok: return "MATRIX_OK: the operation completed";
    case status::zero_divisor: return "MATRIX_ZERO_DIVISOR: a diagonal element to divide by is exactly zero";
    case status::zero_leading: return "MATRIX_ZERO_LEADING: element (0, 0) of the operand is exactly zero";
    case status::shape_mismatch: return "MATRIX_SHAPE_MISMATCH: the dimensions do not fit the operation";
    case status::bad_argument: return "MATRIX_BAD_ARGUMENT: a required pointer is null or a required count is 0";
    case status::unknown_operation: return "MATRIX_UNKNOWN_OPERATION: no operation has this character";
    case status::no_memory: return "MATRIX_NO_MEMORY: a scratch buffer could not be obtained";
    }
    return "not a status";
}

// A row-major r-by-c matrix in a buffer that someone else owns: element (i, j) at data()[i*c + j].
// A default-constructed view is null, 0 by 0.
template <class T>
class basic_view {
public:
    constexpr basic_view() noexcept = default;
    constexpr basic_view(T *data, uint32_t rows, uint32_t cols) noexcept : data_(data), rows_(rows), cols_(cols) {}
    // A mutable view converts to a read-only one.
    template <class U, class = std::enable_if_t<std::is_same_v<T, const U>>>
    constexpr basic_view(const basic_view<U> &other) noexcept
        : data_(other.data()), rows_(other.rows()), cols_(other.cols()) {}

    constexpr T *data() const noexcept { return data_; }
    constexpr uint32_t rows() const noexcept { return rows_; }
    constexpr uint32_t cols() const noexcept { return cols_; }
    constexpr std::size_t size() const noexcept { return std::size_t{rows_} * cols_; }
    constexpr T &operator()(uint32_t i, uint32_t j) const noexcept { return data_[std::size_t{i} * cols_ + j]; }

private:
    T *data_ = nullptr;
    uint32_t rows_ = 0;
    uint32_t cols_ = 0;
};

using view = basic_view<double>;
using const_view = basic_view<const double>;

namespace detail {

inline status call(char op, const_view a, const_view b, double *result, double *result2, int32_t *swaps) {
    return static_cast<status>(::matrix(static_cast<unsigned char>(op), a.data(), a.rows(), a.cols(), b.data(),
                                        b.rows(), b.cols(), result, result2, swaps));
}

// The element counts an operation writes, as 64-bit products so that they cannot wrap.
inline unsigned long long count(uint32_t rows, uint32_t cols) { return static_cast<unsigned long long>(rows) * cols; }

inline bool too_small(view out, unsigned long long needed) {
    return out.data() != nullptr && static_cast<unsigned long long>(out.size()) < needed;
}

}  // namespace detail

// result (r x c) = a + b, a - b. result may be a's or b's buffer.
inline status add(const_view a, const_view b, view result) {
    if (detail::too_small(result, detail::count(a.rows(), a.cols()))) return status::shape_mismatch;
    return detail::call('+', a, b, result.data(), nullptr, nullptr);
}
inline status subtract(const_view a, const_view b, view result) {
    if (detail::too_small(result, detail::count(a.rows(), a.cols()))) return status::shape_mismatch;
    return detail::call('-', a, b, result.data(), nullptr, nullptr);
}

// result = scalar * m, shaped like m; the scalar goes to the library as a 1-by-1 b.
inline status scale(const_view m, double scalar, view result) {
    if (detail::too_small(result, detail::count(m.rows(), m.cols()))) return status::shape_mismatch;
    return detail::call('.', m, const_view(&scalar, 1, 1), result.data(), nullptr, nullptr);
}
// The raw '.': one of a, b is 1 by 1 (b when both are); result is shaped like the other.
inline status scale(const_view a, const_view b, view result) {
    const bool b_scalar = b.rows() == 1 && b.cols() == 1;
    const_view scaled = b_scalar ? a : b;
    if (detail::too_small(result, detail::count(scaled.rows(), scaled.cols()))) return status::shape_mismatch;
    return detail::call('.', a, b, result.data(), nullptr, nullptr);
}

// result (m x p) = a (m x n) * b (n x p). result may be a's or b's buffer when it has room.
inline status multiply(const_view a, const_view b, view result) {
    if (detail::too_small(result, detail::count(a.rows(), b.cols()))) return status::shape_mismatch;
    return detail::call('*', a, b, result.data(), nullptr, nullptr);
}

// result (n x n) = transpose of m; result may be m's buffer (then in place).
inline status transpose(const_view m, view result) {
    if (detail::too_small(result, detail::count(m.cols(), m.rows()))) return status::shape_mismatch;
    return detail::call('x', m, const_view(), result.data(), nullptr, nullptr);
}

// Partial-pivoting row exchanges ('v') or elimination to upper-triangular form ('t') of the
// square m into result, the same row operations applied to the optional companion (n x k) into
// companion_result; *swaps (when given) receives the number of exchanges.
inline status pivot(const_view m, view result, const_view companion = {}, view companion_result = {},
                    int32_t *swaps = nullptr) {
    if (detail::too_small(result, detail::count(m.rows(), m.cols()))) return status::shape_mismatch;
    if (companion.data() != nullptr &&
        detail::too_small(companion_result, detail::count(companion.rows(), companion.cols())))
        return status::shape_mismatch;
    return detail::call('v', m, companion, result.data(), companion_result.data(), swaps);
}
inline status triangularize(const_view m, view result, const_view companion = {}, view companion_result = {},
                            int32_t *swaps = nullptr) {
    if (detail::too_small(result, detail::count(m.rows(), m.cols()))) return status::shape_mismatch;
    if (companion.data() != nullptr &&
        detail::too_small(companion_result, detail::count(companion.rows(), companion.cols())))
        return status::shape_mismatch;
    return detail::call('t', m, companion, result.data(), companion_result.data(), swaps);
}

// determinant = det(m), m square n x n, n >= 1.
inline status determinant(const_view m, double &determinant) {
    return detail::call('d', m, const_view(), &determinant, nullptr, nullptr);
}

// result (n x n) = inverse of m; status::zero_divisor for a singular m.
inline status inverse(const_view m, view result) {
    if (detail::too_small(result, detail::count(m.rows(), m.cols()))) return status::shape_mismatch;
    return detail::call('i', m, const_view(), result.data(), nullptr, nullptr);
}

// result (n x n) = L and U packed (unit lower L strictly below the diagonal, U on and above),
// no pivoting.
inline status factorize(const_view m, view result) {
    if (detail::too_small(result, detail::count(m.rows(), m.cols()))) return status::shape_mismatch;
    return detail::call('f', m, const_view(), result.data(), nullptr, nullptr);
}

// m (rows x cols, cols <= rows) = q (rows x rows) * r (rows x cols), by Householder reflections.
inline status householder(const_view m, view q, view r) {
    if (detail::too_small(q, detail::count(m.rows(), m.rows())) || detail::too_small(r, detail::count(m.rows(), m.cols())))
        return status::shape_mismatch;
    return detail::call('h', m, const_view(), q.data(), r.data(), nullptr);
}

// What the checked functions throw: the status and its text.
class error : public std::runtime_error {
public:
    explicit error(status s) : std::runtime_error(status_text(s)), status_(s) {}
    status code() const noexcept { return status_; }

private:
    status status_;
};

// An owning row-major matrix, for the results of the checked functions.
class dense {
public:
    dense() = default;
    dense(uint32_t rows, uint32_t cols, double fill = 0.0)
        : rows_(rows), cols_(cols), values_(detail::count(rows, cols), fill) {}
    dense(uint32_t rows, uint32_t cols, std::vector<double> values) : rows_(rows), cols_(cols), values_(std::move(values)) {
        if (values_.size() != detail::count(rows, cols)) throw std::invalid_argument("dorvane::dense: size differs from rows * cols");
    }

    uint32_t rows() const noexcept { return rows_; }
    uint32_t cols() const noexcept { return cols_; }
    const std::vector<double> &values() const noexcept { return values_; }
    double *data() noexcept { return values_.data(); }
    const double *data() const noexcept { return values_.data(); }
    double &operator()(uint32_t i, uint32_t j) { return values_[std::size_t{i} * cols_ + j]; }
    double operator()(uint32_t i, uint32_t j) const { return values_[std::size_t{i} * cols_ + j]; }

    // A matrix without elements still has a non-null buffer: the library accepts a 0-by-0
    // inverse, an m-by-0 reduction and a companion without columns, but no null pointer.
    operator view() noexcept { return {values_.empty() ? &spare_ : values_.data(), rows_, cols_}; }
    operator const_view() const noexcept { return {values_.empty() ? &spare_ : values_.data(), rows_, cols_}; }

private:
    uint32_t rows_ = 0;
    uint32_t cols_ = 0;
    std::vector<double> values_;
    double spare_ = 0.0;
};

namespace checked {

inline void check(status s) {
    if (s != status::ok) throw error(s);
}

// Pivoting and elimination: the reordered (or triangular) matrix, the companion after the same
// row operations (0 columns when none was given) and the number of row exchanges.
struct rows_result {
    dense matrix;
    dense companion;
    int32_t swaps = 0;
};

struct qr_result {
    dense q;
    dense r;
};

inline dense add(const_view a, const_view b) {
    dense out(a.rows(), a.cols());
    check(dorvane::add(a, b, out));
    return out;
}
inline dense subtract(const_view a, const_view b) {
    dense out(a.rows(), a.cols());
    check(dorvane::subtract(a, b, out));
    return out;
}
inline dense scale(const_view m, double scalar) {
    dense out(m.rows(), m.cols());
    check(dorvane::scale(m, scalar, out));
    return out;
}
inline dense multiply(const_view a, const_view b) {
    dense out(a.rows(), b.cols());
    check(dorvane::multiply(a, b, out));
    return out;
}
inline dense transpose(const_view m) {
    dense out(m.cols(), m.rows());
    check(dorvane::transpose(m, out));
    return out;
}
inline rows_result pivot(const_view m, const_view companion = {}) {
    rows_result out{dense(m.rows(), m.cols()), dense(companion.rows(), companion.cols()), 0};
    check(dorvane::pivot(m, out.matrix, companion, out.companion, &out.swaps));
    return out;
}
inline rows_result triangularize(const_view m, const_view companion = {}) {
    rows_result out{dense(m.rows(), m.cols()), dense(companion.rows(), companion.cols()), 0};
    check(dorvane::triangularize(m, out.matrix, companion, out.companion, &out.swaps));
    return out;
}
inline double determinant(const_view m) {
    double det = 0.0;
    check(dorvane::determinant(m, det));
    return det;
}
inline dense inverse(const_view m) {
    dense out(m.rows(), m.cols());
    check(dorvane::inverse(m, out));
    return out;
}
inline dense factorize(const_view m) {
    dense out(m.rows(), m.cols());
    check(dorvane::factorize(m, out));
    return out;
}
inline qr_result householder(const_view m) {
    qr_result out{dense(m.rows(), m.rows()), dense(m.rows(), m.cols())};
    // With no column there is no reflection: the library leaves q as it was, the identity.
    for (uint32_t i = 0; i < m.rows(); ++i) out.q(i, i) = 1.0;
    check(dorvane::householder(m, out.q, out.r));
    return out;
}

}  // namespace checked
}  // namespace dorvane

#endif /* DORVANE_HPP */
