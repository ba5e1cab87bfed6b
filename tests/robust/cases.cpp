#include "cases.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "matrix_testing.h"

namespace robust {
namespace {

using testing_support::canary;

const std::vector<uint32_t> &square_orders(bool small) {
    static const std::vector<uint32_t> full = {1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 33};
    static const std::vector<uint32_t> brief = {1, 2, 3, 5, 8};
    return small ? brief : full;
}

const std::vector<uint32_t> &side_lengths(bool small) {
    static const std::vector<uint32_t> full = {1, 2, 3, 5, 8, 17, 33, 65};
    static const std::vector<uint32_t> brief = {1, 2, 3, 5};
    return small ? brief : full;
}

std::string shape(uint32_t rows, uint32_t cols) {
    return std::to_string(rows) + "x" + std::to_string(cols);
}

std::string pointer_name(int arg, int a, int b) {
    if (arg == kNull) return "null";
    if (arg == kForbidden) return "forbidden";
    if (arg == a) return "a";
    if (arg == b) return "b";
    return "new";
}

// Builds cases slot by slot: `operand(n)` and `output(n)` add a slot and return its index;
// `grow` widens a slot that a second argument also uses.
struct builder {
    call_case c{};

    builder(char op, uint32_t ar, uint32_t ac, uint32_t br, uint32_t bc) {
        c.op = op;
        c.a_rows = ar;
        c.a_cols = ac;
        c.b_rows = br;
        c.b_cols = bc;
        c.a = c.b = c.result = c.result2 = kNull;
        c.with_swaps = true;
        c.values = 0;
        c.rejected_with = 0;
    }
    int operand(size_t n) {
        c.slot_size.push_back(n);
        c.slot_is_operand.push_back(true);
        return static_cast<int>(c.slot_size.size() - 1);
    }
    int output(size_t n) {
        c.slot_size.push_back(n);
        c.slot_is_operand.push_back(false);
        return static_cast<int>(c.slot_size.size() - 1);
    }
    void grow(int slot, size_t n) {
        c.slot_size[slot] = std::max(c.slot_size[slot], n);
    }
    // Result (and result2) either a fresh output or an existing slot grown to fit.
    int result_into(int slot, size_t n) {
        if (slot < 0) return output(n);
        grow(slot, n);
        return slot;
    }
    call_case done(int values = 0) {
        c.values = values;
        c.name = std::string(1, c.op) + " a=" + (c.a >= 0 ? shape(c.a_rows, c.a_cols) : pointer_name(c.a, -9, -9)) +
                 " b=" + (c.b >= 0 ? shape(c.b_rows, c.b_cols) : pointer_name(c.b, -9, -9)) +
                 " result=" + pointer_name(c.result, c.a, c.b) + " result2=" + pointer_name(c.result2, c.a, c.b) +
                 (c.a >= 0 && c.a == c.b ? " a=b" : "") + (values != 0 ? " zeros" : "");
        return c;
    }
};

// '+' and '-': result new, a, b; a and b the same buffer with result new or on it.
void elementwise_cases(char op, bool small, std::vector<call_case> &out) {
    for (uint32_t r : side_lengths(small)) {
        for (uint32_t c : side_lengths(small)) {
            const size_t n = size_t{r} * c;
            for (int mode = 0; mode < 5; ++mode) {
                builder k(op, r, c, r, c);
                k.c.a = k.operand(n);
                k.c.b = mode >= 3 ? k.c.a : k.operand(n);
                const int target[] = {kNull, k.c.a, k.c.b, kNull, k.c.a};
                k.c.result = k.result_into(target[mode], n);
                k.c.result2 = kForbidden;
                out.push_back(k.done());
            }
        }
    }
}

// '.': the scalar in b or in a; the result new or over the scaled operand; with a 1-by-1
// result also over the scalar, and with both 1-by-1 a and b as one buffer.
void scale_cases(bool small, std::vector<call_case> &out) {
    for (uint32_t r : side_lengths(small)) {
        for (uint32_t c : side_lengths(small)) {
            const size_t n = size_t{r} * c;
            for (int scalar_in_b = 0; scalar_in_b < 2; ++scalar_in_b) {
                for (int mode = 0; mode < 5; ++mode) {
                    const bool single = n == 1;
                    if (mode >= 2 && !single) continue;
                    builder k('.', scalar_in_b ? r : 1, scalar_in_b ? c : 1, scalar_in_b ? 1 : r, scalar_in_b ? 1 : c);
                    k.c.a = k.operand(scalar_in_b ? n : 1);
                    k.c.b = mode == 4 ? k.c.a : k.operand(scalar_in_b ? 1 : n);
                    const int scaled = scalar_in_b ? k.c.a : k.c.b;
                    const int scalar = scalar_in_b ? k.c.b : k.c.a;
                    // 0 new, 1 over the scaled operand, 2 over the scalar (single element only),
                    // 3 over the scalar with the scaled one new (same), 4 a = b = result.
                    const int target[] = {kNull, scaled, scalar, scalar, k.c.a};
                    if (mode == 3) continue;
                    k.c.result = k.result_into(target[mode], n);
                    k.c.result2 = kForbidden;
                    out.push_back(k.done());
                }
            }
        }
    }
}

// '*': result new, a, b; a = b with result new or on it.
void product_cases(bool small, std::vector<call_case> &out) {
    for (uint32_t m : side_lengths(small)) {
        for (uint32_t n : side_lengths(small)) {
            for (uint32_t p : side_lengths(small)) {
                for (int mode = 0; mode < 5; ++mode) {
                    builder k('*', m, n, n, p);
                    k.c.a = k.operand(size_t{m} * n);
                    if (mode >= 3) {
                        k.c.b = k.c.a;
                        k.grow(k.c.a, size_t{n} * p);
                    } else {
                        k.c.b = k.operand(size_t{n} * p);
                    }
                    const int target[] = {kNull, k.c.a, k.c.b, kNull, k.c.a};
                    k.c.result = k.result_into(target[mode], size_t{m} * p);
                    k.c.result2 = kForbidden;
                    out.push_back(k.done());
                }
            }
        }
    }
}

// 'x', 'd', 'f': exactly one operand, in a or in b; result new or the operand.
void single_operand_cases(char op, bool small, std::vector<call_case> &out) {
    for (uint32_t n : square_orders(small)) {
        for (int values = 0; values < (op == 'x' ? 1 : 2); ++values) {
            for (int in_b = 0; in_b < 2; ++in_b) {
                for (int in_place = 0; in_place < 2; ++in_place) {
                    builder k(op, in_b ? 0 : n, in_b ? 0 : n, in_b ? n : 0, in_b ? n : 0);
                    const int operand = k.operand(size_t{n} * n);
                    (in_b ? k.c.b : k.c.a) = operand;
                    const size_t result_size = op == 'd' ? 1 : size_t{n} * n;
                    k.c.result = k.result_into(in_place ? operand : kNull, result_size);
                    k.c.result2 = kForbidden;
                    out.push_back(k.done(values));
                }
            }
        }
    }
}

// 'v' and 't': no companion, or one of 0, 1, n, n+3 columns; result new or a, result2 new or b;
// also the companion as the very buffer of a (read only, both outputs new).
void row_operation_cases(char op, bool small, std::vector<call_case> &out) {
    std::vector<uint32_t> orders = square_orders(small);
    orders.insert(orders.begin(), 0);
    for (uint32_t n : orders) {
        std::vector<int> companions = {-1, 0, 1, static_cast<int>(n), static_cast<int>(n) + 3};
        std::sort(companions.begin(), companions.end());
        companions.erase(std::unique(companions.begin(), companions.end()), companions.end());
        for (int values = 0; values < 2; ++values) {
            for (int m : companions) {
                for (int mode = 0; mode < 5; ++mode) {
                    // mode bit 0: result = a; bit 1: result2 = b; mode 4: b is a.
                    if (m < 0 && (mode & 2)) continue;
                    if (mode == 4 && m != static_cast<int>(n)) continue;
                    builder k(op, n, n, m < 0 ? 0 : n, m < 0 ? 0 : static_cast<uint32_t>(m));
                    k.c.a = k.operand(size_t{n} * n);
                    if (m >= 0) k.c.b = mode == 4 ? k.c.a : k.operand(size_t{n} * m);
                    k.c.result = k.result_into(mode != 4 && (mode & 1) ? k.c.a : kNull, size_t{n} * n);
                    if (m < 0) {
                        k.c.result2 = kForbidden;
                    } else {
                        k.c.result2 = k.result_into(mode != 4 && (mode & 2) ? k.c.b : kNull, size_t{n} * m);
                    }
                    out.push_back(k.done(values));
                }
            }
        }
    }
}

// 'i': the operand in a, in b, or in b with a given but not to be touched; result new or the
// operand; n = 0 included.
void inverse_cases(bool small, std::vector<call_case> &out) {
    std::vector<uint32_t> orders = square_orders(small);
    orders.insert(orders.begin(), 0);
    for (uint32_t n : orders) {
        for (int values = 0; values < 2; ++values) {
            for (int where = 0; where < 3; ++where) {
                for (int in_place = 0; in_place < 2; ++in_place) {
                    const bool in_b = where != 0;
                    builder k('i', in_b ? 7 : n, in_b ? 7 : n, in_b ? n : 0, in_b ? n : 0);
                    const int operand = k.operand(size_t{n} * n);
                    if (in_b) {
                        k.c.b = operand;
                        k.c.a = where == 2 ? kForbidden : kNull;
                    } else {
                        k.c.a = operand;
                    }
                    k.c.result = k.result_into(in_place ? operand : kNull, size_t{n} * n);
                    k.c.result2 = kForbidden;
                    out.push_back(k.done(values));
                }
            }
        }
    }
}

// 'h': m x n with n <= m (0 included), in a, in b, or in b with a given but not to be touched;
// outputs new, result2 the operand, or result the operand (grown to m x m).
void householder_cases(bool small, std::vector<call_case> &out) {
    std::vector<uint32_t> rows = square_orders(small);
    rows.insert(rows.begin(), 0);
    for (uint32_t m : rows) {
        std::vector<uint32_t> cols = {0, 1, 2, m > 0 ? m - 1 : 0, m};
        std::sort(cols.begin(), cols.end());
        cols.erase(std::unique(cols.begin(), cols.end()), cols.end());
        for (uint32_t n : cols) {
            if (n > m) continue;
            for (int values = 0; values < 2; ++values) {
                for (int where = 0; where < 3; ++where) {
                    for (int mode = 0; mode < 3; ++mode) {
                        const bool in_b = where != 0;
                        builder k('h', in_b ? 7 : m, in_b ? 7 : n, in_b ? m : 0, in_b ? n : 0);
                        const int operand = k.operand(size_t{m} * n);
                        if (in_b) {
                            k.c.b = operand;
                            k.c.a = where == 2 ? kForbidden : kNull;
                        } else {
                            k.c.a = operand;
                        }
                        k.c.result = k.result_into(mode == 1 ? operand : kNull, size_t{m} * m);
                        k.c.result2 = k.result_into(mode == 2 ? operand : kNull, size_t{m} * n);
                        out.push_back(k.done(values));
                    }
                }
            }
        }
    }
}

// Calls that the checks must reject, with zero-element buffers where a count is 0 (in the
// guard-page run these point at an inaccessible page).
void rejected_cases(char op, std::vector<call_case> &out) {
    auto add = [&](builder k, int32_t status) {
        k.c.rejected_with = status;
        call_case c = k.done();
        c.name += status == MATRIX_BAD_ARGUMENT ? " (bad argument)" : " (shape mismatch)";
        out.push_back(c);
    };
    auto two = [&](uint32_t ar, uint32_t ac, uint32_t br, uint32_t bc, size_t result, int32_t status) {
        builder k(op, ar, ac, br, bc);
        k.c.a = k.operand(size_t{ar} * ac);
        k.c.b = k.operand(size_t{br} * bc);
        k.c.result = k.output(result);
        k.c.result2 = kForbidden;
        add(k, status);
    };
    auto one = [&](bool in_b, uint32_t rows, uint32_t cols, bool both, int32_t status) {
        builder k(op, in_b ? 0 : rows, in_b ? 0 : cols, in_b || both ? rows : 0, in_b || both ? cols : 0);
        const int operand = k.operand(size_t{rows} * cols);
        (in_b ? k.c.b : k.c.a) = operand;
        if (both) k.c.b = k.operand(size_t{rows} * cols);
        k.c.result = k.output(op == 'h' ? size_t{rows} * rows : size_t{rows} * cols);
        k.c.result2 = op == 'h' ? k.output(size_t{rows} * cols) : kForbidden;
        add(k, status);
    };
    switch (op) {
    case '+': case '-':
        two(2, 3, 3, 2, 6, MATRIX_SHAPE_MISMATCH);
        two(0, 3, 0, 3, 0, MATRIX_BAD_ARGUMENT);
        two(2, 3, 2, 0, 6, MATRIX_BAD_ARGUMENT);
        break;
    case '.':
        two(1, 3, 1, 3, 3, MATRIX_SHAPE_MISMATCH);
        two(2, 2, 1, 2, 4, MATRIX_SHAPE_MISMATCH);
        two(0, 1, 1, 1, 0, MATRIX_BAD_ARGUMENT);
        break;
    case '*':
        two(2, 3, 2, 3, 6, MATRIX_SHAPE_MISMATCH);
        two(2, 0, 0, 2, 4, MATRIX_BAD_ARGUMENT);
        break;
    case 'x': case 'd': case 'f':
        one(false, 2, 3, false, MATRIX_SHAPE_MISMATCH);
        one(true, 3, 2, false, MATRIX_SHAPE_MISMATCH);
        one(false, 0, 0, false, MATRIX_BAD_ARGUMENT);
        one(true, 0, 3, false, MATRIX_BAD_ARGUMENT);
        one(false, 3, 3, true, MATRIX_BAD_ARGUMENT);
        break;
    case 'i':
        one(false, 2, 3, false, MATRIX_SHAPE_MISMATCH);
        one(true, 0, 3, false, MATRIX_SHAPE_MISMATCH);
        break;
    case 'h':
        one(false, 2, 3, false, MATRIX_SHAPE_MISMATCH);
        one(true, 0, 1, false, MATRIX_SHAPE_MISMATCH);
        {
            builder k(op, 3, 2, 0, 0);  // result2 null
            k.c.a = k.operand(6);
            k.c.result = k.output(9);
            add(k, MATRIX_BAD_ARGUMENT);
        }
        break;
    case 'v': case 't':
        for (int variant = 0; variant < 3; ++variant) {
            // 2x3 a; a companion with another row count; a companion without result2.
            const uint32_t n = 3;
            builder k(op, variant == 0 ? 2 : n, n, variant == 0 ? 0 : (variant == 1 ? 2 : n), variant == 0 ? 0 : 2);
            k.c.a = k.operand(size_t{k.c.a_rows} * n);
            if (variant != 0) k.c.b = k.operand(size_t{k.c.b_rows} * 2);
            k.c.result = k.output(size_t{n} * n);
            k.c.result2 = variant == 1 ? k.output(size_t{n} * 2) : (variant == 0 ? kForbidden : kNull);
            add(k, variant == 2 ? MATRIX_BAD_ARGUMENT : MATRIX_SHAPE_MISMATCH);
        }
        break;
    default:
        break;
    }
}

uint64_t mix(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

}  // namespace

bool call_case::writes(int slot) const {
    return slot >= 0 && (slot == result || slot == result2);
}

const std::vector<char> &operations() {
    static const std::vector<char> ops = {'+', '-', '.', '*', 'x', 'v', 't', 'd', 'i', 'f', 'h'};
    return ops;
}

std::string operation_name(char op) {
    static const char *const names[] = {"plus",          "minus",       "scale",   "product",
                                        "transpose",     "pivot",       "triangularize",
                                        "determinant",   "inverse",     "factorize", "householder"};
    const auto &ops = operations();
    for (size_t k = 0; k < ops.size(); ++k) {
        if (ops[k] == op) return names[k];
    }
    return "unknown";
}

std::vector<call_case> cases_for(char op) {
    const bool small = std::getenv("DORVANE_ROBUST_SMALL") != nullptr;
    std::vector<call_case> out;
    switch (op) {
    case '+': case '-': elementwise_cases(op, small, out); break;
    case '.': scale_cases(small, out); break;
    case '*': product_cases(small, out); break;
    case 'x': case 'd': case 'f': single_operand_cases(op, small, out); break;
    case 'v': case 't': row_operation_cases(op, small, out); break;
    case 'i': inverse_cases(small, out); break;
    case 'h': householder_cases(small, out); break;
    default: break;
    }
    rejected_cases(op, out);
    return out;
}

std::vector<std::vector<double>> initial_slots(const call_case &c) {
    std::vector<std::vector<double>> slots;
    uint64_t seed = 0;
    for (char ch : c.name) seed = mix(seed ^ static_cast<unsigned char>(ch));
    for (size_t s = 0; s < c.slot_size.size(); ++s) {
        std::vector<double> v(c.slot_size[s], canary());
        if (c.slot_is_operand[s]) {
            for (size_t k = 0; k < v.size(); ++k) {
                const uint64_t r = mix(seed + s * 0x9e3779b97f4a7c15ULL + k);
                // Multiples of 2^-10 in (-8, 8): no rounding in the operands themselves.
                double x = static_cast<double>(static_cast<int64_t>(r % 16383) - 8191) / 1024.0;
                if (c.values == 1 && (r >> 40) % 2 == 0 && k != 0) x = (r >> 41) % 2 ? 0.0 : -0.0;
                if (x == 0.0 && k == 0) x = 1.0;  // a non-zero leading element, so that 'f' runs
                v[k] = x;
            }
        }
        slots.push_back(std::move(v));
    }
    return slots;
}

namespace {
double *pointer_for(int arg, const std::vector<double *> &slots, double *forbidden) {
    if (arg == kNull) return nullptr;
    if (arg == kForbidden) return forbidden;
    return slots[arg];
}
}  // namespace

call_pointers pointers_for(const call_case &c, const std::vector<double *> &slots, double *forbidden) {
    return {pointer_for(c.a, slots, forbidden), pointer_for(c.b, slots, forbidden),
            pointer_for(c.result, slots, forbidden), pointer_for(c.result2, slots, forbidden)};
}

outcome run_on(const call_case &c, entry_fn entry, const std::vector<double *> &slots, double *forbidden) {
    int32_t swaps = testing_support::kSwapsCanary;
    const call_pointers p = pointers_for(c, slots, forbidden);
    outcome o;
    o.status = entry(c.op, p.a, c.a_rows, c.a_cols, p.b, c.b_rows, c.b_cols, p.result, p.result2,
                     c.with_swaps ? &swaps : nullptr);
    o.swaps = swaps;
    for (size_t s = 0; s < slots.size(); ++s) {
        o.slots.emplace_back(slots[s], slots[s] + c.slot_size[s]);
    }
    return o;
}

outcome run_plain(const call_case &c, entry_fn entry, bool *outside_intact) {
    // Each slot is followed by a canary (which also gives a zero-element slot a non-null address).
    std::vector<std::vector<double>> data = initial_slots(c);
    std::vector<double *> pointers;
    for (auto &v : data) {
        v.push_back(canary());
        pointers.push_back(v.data());
    }
    std::vector<double> forbidden = testing_support::canaries(16);
    outcome o = run_on(c, entry, pointers, forbidden.data());
    if (outside_intact != nullptr) {
        bool intact = testing_support::untouched(forbidden);
        for (const auto &v : data) intact = intact && testing_support::bits(v.back()) == testing_support::kCanaryBits;
        *outside_intact = intact;
    }
    return o;
}

std::string difference(const outcome &expected, const outcome &actual, const std::vector<bool> &ignored) {
    if (expected.status != actual.status) {
        return "status " + std::to_string(actual.status) + ", expected " + std::to_string(expected.status);
    }
    if (expected.swaps != actual.swaps) {
        return "*swaps " + std::to_string(actual.swaps) + ", expected " + std::to_string(expected.swaps);
    }
    for (size_t s = 0; s < expected.slots.size(); ++s) {
        if (s < ignored.size() && ignored[s]) continue;
        const auto &e = expected.slots[s];
        const auto &a = actual.slots[s];
        if (e.size() != a.size()) return "slot " + std::to_string(s) + " has another size";
        for (size_t k = 0; k < e.size() && k < a.size(); ++k) {
            if (testing_support::bits(e[k]) != testing_support::bits(a[k])) {
                return "slot " + std::to_string(s) + " element " + std::to_string(k) + ": " +
                       testing_support::describe(a[k]) + ", expected " + testing_support::describe(e[k]);
            }
        }
    }
    return {};
}

std::string rejection_difference(const call_case &c, const outcome &actual) {
    if (c.rejected_with == 0) return {};
    const outcome expected{c.rejected_with, c.with_swaps ? 0 : testing_support::kSwapsCanary, initial_slots(c)};
    return difference(expected, actual);
}

}  // namespace robust
