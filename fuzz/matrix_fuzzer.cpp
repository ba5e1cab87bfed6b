// libFuzzer target for `matrix`. The input chooses the operation byte (any byte, and any upper
// bits), which pointers are null, small dimensions (coherent for the operation or not), one of
// the operation's allowed ways for outputs to coincide with inputs, the values (from a palette
// of signed zeros, infinities, NaNs with payloads, subnormals, huge and tiny values and rounding
// ties) and optionally one scratch request to refuse.
//
// Every buffer is a heap block of exactly the size its shape implies, so AddressSanitizer reports
// any touch outside a shape; a buffer that the operation must neither read nor write is a block
// of zero bytes. The target checks that the status is one the operation may return, that
// MATRIX_NO_MEMORY comes exactly when a request was refused, that every block is released, that
// the exchange counter is in range, and that buffers that must not change keep their contents.
//
// Differential mode: every call that refuses no request runs a second time, on fresh copies of
// the same buffers with the same coincidences, through the reference build of the library (the
// straightforward loops only), and status, counter and every element of every buffer must be the
// same bits (a NaN that arithmetic produced is compared as a NaN: its payload depends on the
// order of the operands inside one instruction).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "dorvane.h"
#include "test_heap.h"

extern "C" int32_t dorvane_reference_matrix(int32_t op, const double *a, uint32_t a_rows, uint32_t a_cols,
                                            const double *b, uint32_t b_rows, uint32_t b_cols, double *result,
                                            double *result2, int32_t *swaps);

namespace {

uint64_t bits(double x) {
    uint64_t u;
    memcpy(&u, &x, sizeof u);
    return u;
}

bool is_nan(uint64_t u) { return (u & 0x7fffffffffffffffULL) > 0x7ff0000000000000ULL; }

double from_bits(uint64_t u) {
    double x;
    memcpy(&x, &u, sizeof x);
    return x;
}

const uint64_t kCanary = 0x7ff4c0ffee15deadULL;

const uint64_t kPalette[32] = {
    0x0000000000000000ULL,  // +0.0
    0x8000000000000000ULL,  // -0.0
    0x7ff0000000000000ULL,  // +inf
    0xfff0000000000000ULL,  // -inf
    0x7ff8000000000001ULL,  // quiet NaN, payload 1
    0xfff80000deadbeefULL,  // negative quiet NaN with a payload
    0x7ff0000000000123ULL,  // signalling NaN with a payload
    0x0000000000000001ULL,  // smallest subnormal
    0x8000000000000001ULL,  // its negative
    0x000fffffffffffffULL,  // largest subnormal
    0x0010000000000000ULL,  // smallest normal
    0x7fefffffffffffffULL,  // largest finite
    0xffefffffffffffffULL,  // its negative
    0x3ff0000000000000ULL,  // 1
    0xbff0000000000000ULL,  // -1
    0x4000000000000000ULL,  // 2
    0x3fe0000000000000ULL,  // 0.5
    0x4008000000000000ULL,  // 3
    0xc008000000000000ULL,  // -3
    0x3fb999999999999aULL,  // 0.1
    0x3fd5555555555555ULL,  // 1/3
    0x4340000000000000ULL,  // 2^53: adding 1 is a tie
    0x4340000000000001ULL,  // 2^53 + 2
    0x3ff0000000000001ULL,  // 1 + 2^-52
    0x3fefffffffffffffULL,  // 1 - 2^-53
    0x3ca0000000000000ULL,  // 2^-53: 1 + this is a tie
    0x7e37e43c8800759cULL,  // 1e300
    0x01a56e1fc2f8f359ULL,  // 1e-300
    0x3fe8000000000000ULL,  // 0.75
    0xc01c000000000000ULL,  // -7
    0x4024000000000000ULL,  // 10
    0xbca0000000000000ULL,  // -2^-53
};

class input {
public:
    input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint8_t byte(uint8_t otherwise = 0) { return pos_ < size_ ? data_[pos_++] : otherwise; }
    double value(size_t k) { return from_bits(kPalette[byte(static_cast<uint8_t>(k * 7 + 13)) % 32]); }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

constexpr int kNull = -1;
constexpr int kForbidden = -2;

struct slot {
    size_t size;
    bool operand;  // starts with values (read by the call), otherwise with canaries
};

[[noreturn]] void fail(const char *what, char op) {
    fprintf(stderr, "matrix '%c': %s\n", op, what);
    abort();
}

char fold(uint8_t low) {
    switch (low) {
    case 'X': case 'T': case 'I': case 'D': case 'F': case 'V': case 'H':
        return static_cast<char>(low - 'A' + 'a');
    default:
        return static_cast<char>(low);
    }
}

bool allowed_status(char op, int32_t s) {
    switch (op) {
    case '+': case '-': case '.': case 'x':
        return s == MATRIX_OK || s == MATRIX_SHAPE_MISMATCH || s == MATRIX_BAD_ARGUMENT;
    case '*': case 'v': case 't': case 'd': case 'h':
        return s == MATRIX_OK || s == MATRIX_SHAPE_MISMATCH || s == MATRIX_BAD_ARGUMENT || s == MATRIX_NO_MEMORY;
    case 'i':
        return s == MATRIX_OK || s == MATRIX_ZERO_DIVISOR || s == MATRIX_SHAPE_MISMATCH ||
               s == MATRIX_BAD_ARGUMENT || s == MATRIX_NO_MEMORY;
    case 'f':
        return s == MATRIX_OK || s == MATRIX_ZERO_DIVISOR || s == MATRIX_ZERO_LEADING ||
               s == MATRIX_SHAPE_MISMATCH || s == MATRIX_BAD_ARGUMENT;
    default:
        return s == MATRIX_UNKNOWN_OPERATION;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    input in(data, size);
    const uint8_t low = in.byte('x');
    const int32_t op_word = static_cast<int32_t>(static_cast<uint32_t>(low) | static_cast<uint32_t>(in.byte()) << 24);
    const char op = fold(low);
    const uint8_t flags = in.byte(0x20);
    const uint8_t alias = in.byte() % 8;
    uint32_t ar = in.byte(2) % 7, ac = in.byte(2) % 7, br = in.byte(2) % 7, bc = in.byte(2) % 7;
    const long refuse = in.byte() % 16;  // 0: refuse nothing; n: refuse the nth request

    bool give_a = (flags & 1) == 0, give_b = (flags & 2) == 0;
    const bool give_result = (flags & 4) == 0, give_result2 = (flags & 8) == 0, give_swaps = (flags & 16) == 0;
    if ((flags & 32) != 0) {  // shapes that fit the operation
        switch (op) {
        case '+': case '-': br = ar; bc = ac; break;
        case '.': if (ar % 2) { br = bc = 1; } else { ar = ac = 1; } break;
        case '*': br = ac; break;
        case 'x': case 'd': case 'f': case 'i': ac = ar; bc = br; break;
        case 'v': case 't': ac = ar; br = ar; break;
        case 'h': if (ac > ar) std::swap(ar, ac); if (bc > br) std::swap(br, bc); break;
        default: break;
        }
    }

    // The operand of the one-operand operations and the sizes of the outputs.
    const bool b_is_operand = (op == 'i' || op == 'h') ? give_b : (!give_a && give_b);
    const uint32_t m = b_is_operand ? br : ar, n = b_is_operand ? bc : ac;
    size_t result_size = 4, result2_size = 0;
    bool result2_used = false;
    switch (op) {
    case '+': case '-': result_size = size_t{ar} * ac; break;
    case '.': result_size = br == 1 && bc == 1 ? size_t{ar} * ac : size_t{br} * bc; break;
    case '*': result_size = size_t{ar} * bc; break;
    case 'x': case 'f': case 'i': result_size = size_t{m} * n; break;
    case 'd': result_size = 1; break;
    case 'v': case 't': result_size = size_t{ar} * ac; result2_used = give_b; result2_size = size_t{ar} * bc; break;
    case 'h': result_size = size_t{m} * m; result2_used = true; result2_size = size_t{m} * n; break;
    default: result2_used = true; result2_size = 4; break;  // unknown: nothing may be touched
    }

    std::vector<slot> slots;
    auto add = [&](size_t count, bool operand) {
        slots.push_back({count, operand});
        return static_cast<int>(slots.size() - 1);
    };
    const bool a_forbidden = (op == 'i' || op == 'h') && give_b;
    int a = !give_a ? kNull : a_forbidden ? kForbidden : add(size_t{ar} * ac, true);
    int b = give_b ? add(size_t{br} * bc, true) : kNull;
    int result = kNull, result2 = kNull;
    const int scaled = br == 1 && bc == 1 ? a : b;
    const int operand = b_is_operand ? b : a;
    // Where the outputs go: a fresh buffer, or an input where the operation allows it.
    int result_on = kNull, result2_on = kNull;
    switch (op) {
    case '+': case '-': case '*':
        if (alias == 1) result_on = a;
        if (alias == 2) result_on = b;
        if (alias >= 3 && a >= 0 && b >= 0) {
            slots[a].size = std::max(slots[a].size, slots[b].size);
            slots.pop_back();
            b = a;
            if (alias == 4) result_on = a;
        }
        break;
    case '.':
        if (alias == 1) result_on = scaled;
        if (alias == 2 && result_size == 1) result_on = scaled == a ? b : a;
        break;
    case 'x': case 'd': case 'f': case 'i':
        if (alias == 1) result_on = operand;
        break;
    case 'v': case 't':
        if (alias & 1) result_on = a;
        if (alias & 2) result2_on = b;
        break;
    case 'h':
        if (alias == 1) result_on = operand;
        if (alias == 2) result2_on = operand;
        break;
    default:
        break;
    }
    if (give_result) {
        if (result_on >= 0) {
            result = result_on;
            slots[result].size = std::max(slots[result].size, result_size);
        } else {
            result = add(result_size, false);
        }
    }
    if (give_result2) {
        if (!result2_used) {
            result2 = kForbidden;
        } else if (result2_on >= 0) {
            result2 = result2_on;
            slots[result2].size = std::max(slots[result2].size, result2_size);
        } else {
            result2 = add(result2_size, false);
        }
    }

    // Contents: operand values from the input, canaries in output-only buffers.
    std::vector<std::vector<double>> initial(slots.size());
    std::vector<double *> memory(slots.size());
    size_t k = 0;
    for (size_t s = 0; s < slots.size(); ++s) {
        for (size_t e = 0; e < slots[s].size; ++e) {
            initial[s].push_back(slots[s].operand ? in.value(k++) : from_bits(kCanary));
        }
        memory[s] = static_cast<double *>(malloc(slots[s].size * sizeof(double)));
        if (slots[s].size != 0) memcpy(memory[s], initial[s].data(), slots[s].size * sizeof(double));
    }
    double *forbidden = static_cast<double *>(malloc(0));
    auto pointer = [&](int arg) -> double * {
        return arg == kNull ? nullptr : arg == kForbidden ? forbidden : memory[arg];
    };
    int32_t swaps = 0x5a5a5a5a;

    test_heap::reset();
    test_heap::fail_request(refuse);
    const int32_t status = matrix(op_word, pointer(a), ar, ac, pointer(b), br, bc, pointer(result), pointer(result2),
                                  give_swaps ? &swaps : nullptr);
    const bool refused = test_heap::failure_delivered();

    if (!allowed_status(op, status)) fail("a status outside the operation's set", op);
    if (refused && status != MATRIX_NO_MEMORY) fail("a refused request without MATRIX_NO_MEMORY", op);
    if (!refused && status == MATRIX_NO_MEMORY) fail("MATRIX_NO_MEMORY with no refused request", op);
    if (test_heap::outstanding() != 0) fail("a scratch block not released", op);
    if (give_swaps) {
        const bool counts = (op == 'v' || op == 't') && (status == MATRIX_OK || status == MATRIX_NO_MEMORY);
        const int32_t most = counts && ar > 0 ? static_cast<int32_t>(ar) - 1 : 0;
        if (swaps < 0 || swaps > most) fail("the exchange counter out of range", op);
    }
    // What may have changed: nothing after an argument error or an unknown operation, nothing
    // when '*' or 'd' or the first scratch blocks of 'i' and 'h' are refused.
    const bool nothing_written =
        status == MATRIX_BAD_ARGUMENT || status == MATRIX_SHAPE_MISMATCH || status == MATRIX_ZERO_LEADING ||
        status == MATRIX_UNKNOWN_OPERATION ||
        (status == MATRIX_NO_MEMORY && (op == '*' || op == 'd' || (op == 'i' && refuse == 1) || (op == 'h' && refuse <= 2)));
    for (size_t s = 0; s < slots.size(); ++s) {
        const bool output = static_cast<int>(s) == result || static_cast<int>(s) == result2;
        size_t from = 0;
        if (output && !nothing_written) {
            if (op != 'd') continue;
            from = 1;  // the determinant writes one element, also over its operand
        }
        for (size_t e = from; e < slots[s].size; ++e) {
            if (bits(memory[s][e]) != bits(initial[s][e])) fail("a buffer changed that must not change", op);
        }
    }

    if (refuse == 0) {
        std::vector<double *> copies(slots.size());
        for (size_t s = 0; s < slots.size(); ++s) {
            copies[s] = static_cast<double *>(malloc(slots[s].size * sizeof(double)));
            if (slots[s].size != 0) memcpy(copies[s], initial[s].data(), slots[s].size * sizeof(double));
        }
        auto copy = [&](int arg) -> double * {
            return arg == kNull ? nullptr : arg == kForbidden ? forbidden : copies[arg];
        };
        int32_t reference_swaps = 0x5a5a5a5a;
        const int32_t reference_status = dorvane_reference_matrix(op_word, copy(a), ar, ac, copy(b), br, bc, copy(result),
                                                                  copy(result2), give_swaps ? &reference_swaps : nullptr);
        if (status != reference_status) fail("a status other than the reference's", op);
        if (give_swaps && swaps != reference_swaps) fail("an exchange count other than the reference's", op);
        for (size_t s = 0; s < slots.size(); ++s) {
            for (size_t e = 0; e < slots[s].size; ++e) {
                const uint64_t mine = bits(memory[s][e]), theirs = bits(copies[s][e]);
                const bool both_arithmetic_nan = is_nan(mine) && is_nan(theirs) && mine != kCanary && theirs != kCanary;
                if (mine != theirs && !both_arithmetic_nan) fail("an element other than the reference's", op);
            }
        }
        for (double *p : copies) free(p);
    }

    for (double *p : memory) free(p);
    free(forbidden);
    return 0;
}
