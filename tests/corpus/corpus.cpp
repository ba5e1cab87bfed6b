// A fixed corpus of calls of `matrix`, run on one platform and written to a file, so that two
// builds (Linux x86-64 and the 32-bit Windows DLL under wine) can be compared bit for bit.
//
//   dorvane_corpus write FILE          run every case, write statuses, counters and buffers
//   dorvane_corpus compare FILE FILE   compare two such files; exit status 1 on any difference
//
// Inputs are built from random bits and a list of special values (signed zeros, infinities,
// NaNs with payloads, subnormals, extreme exponents, rounding ties), never by arithmetic of this
// program, so both builds feed the library the very same bits. Every buffer of a call, operands
// included, is written out after the call with two canaries before and after it.
//
// Values are held as bit patterns (uint64_t) everywhere but in the buffers handed to the library:
// on 32-bit x86 a double returned from a function, or copied through the x87 unit, loses the
// signalling bit of a NaN.
#include <algorithm>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dorvane.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using entry_fn = int32_t(DORVANE_CALL *)(int32_t, const double *, uint32_t, uint32_t, const double *,
                                         uint32_t, uint32_t, double *, double *, int32_t *);

entry_fn load_entry() {
#if defined(_WIN32)
    HMODULE library = LoadLibraryA("dorvane.dll");
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load dorvane.dll (error %lu)\n", GetLastError());
        return nullptr;
    }
    return reinterpret_cast<entry_fn>(reinterpret_cast<void *>(GetProcAddress(library, "matrix")));
#else
    return &::matrix;
#endif
}

constexpr uint64_t kCanaryBits = 0x7ff4c0ffee15deadULL;
constexpr int32_t kSwapsCanary = 0x5a5a5a5a;
constexpr size_t kGuard = 2;
constexpr char kMagic[8] = {'D', 'V', 'C', 'O', 'R', 'P', '0', '1'};

struct rng {
    uint64_t state;
    uint64_t next() {  // splitmix64
        uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
};

const uint64_t kSpecials[] = {
    0x0000000000000000ULL,  // +0
    0x8000000000000000ULL,  // -0
    0x7ff0000000000000ULL,  // +inf
    0xfff0000000000000ULL,  // -inf
    0x7ff8000000000000ULL,  // quiet NaN
    0x7ff80000000beef1ULL,  // quiet NaN with payload
    0xfff8000000c0ffeeULL,  // negative quiet NaN with payload
    0x7ff0000000000badULL,  // signalling NaN
    0x0000000000000001ULL,  // smallest subnormal
    0x800fffffffffffffULL,  // largest subnormal, negative
    0x0008000000000000ULL,  // subnormal
    0x0010000000000000ULL,  // smallest normal
    0x7fefffffffffffffULL,  // largest finite
    0xffefffffffffffffULL,  // most negative finite
    0x7e37e43c8800759cULL,  // 1e300
    0x01a56e1fc2f8f359ULL,  // 1e-300
    0x3ff0000000000000ULL,  // 1
    0xbff0000000000000ULL,  // -1
    0x3ca0000000000000ULL,  // 2^-53: 1 + this is a tie
    0x3cb8000000000000ULL,  // 3 * 2^-53: a tie that rounds up
    0x3ff0000000000001ULL,  // 1 + 2^-52
    0x3fe0000000000000ULL,  // 0.5
    0x4340000000000000ULL,  // 2^53
};
constexpr uint32_t kSpecialCount = sizeof kSpecials / sizeof kSpecials[0];

enum value_kind { kModerate, kWide, kSpecial, kSmallIntegers, kSingular };
const char *const kKindNames[] = {"moderate", "wide", "special", "integers", "singular"};

uint64_t random_value(rng &r, value_kind kind) {
    const uint64_t sign = (r.next() & 1) << 63;
    const uint64_t mantissa = r.next() & 0x000fffffffffffffULL;
    switch (kind) {
    case kModerate:
        return sign | (static_cast<uint64_t>(1019 + r.below(9)) << 52) | mantissa;
    case kWide:
        return sign | (static_cast<uint64_t>(963 + r.below(121)) << 52) | mantissa;
    case kSpecial:
        if (r.below(4) == 0) {
            return kSpecials[r.below(kSpecialCount)];
        }
        return sign | static_cast<uint64_t>(r.below(2047)) << 52 | mantissa;  // any exponent
    case kSmallIntegers:
    case kSingular: {
        static const uint64_t small[] = {0x0000000000000000ULL, 0x8000000000000000ULL, 0x3ff0000000000000ULL,
                                         0xbff0000000000000ULL, 0x4000000000000000ULL, 0xc000000000000000ULL,
                                         0x4008000000000000ULL, 0xc008000000000000ULL};
        return small[r.below(8)];
    }
    }
    return 0;
}

// The operand data: rows x cols values of one kind; "singular" repeats row 0 as the last row.
std::vector<uint64_t> operand(rng &r, value_kind kind, uint32_t rows, uint32_t cols) {
    std::vector<uint64_t> m(static_cast<size_t>(rows) * cols);
    for (uint64_t &x : m) {
        x = random_value(r, kind);
    }
    if (kind == kSingular && rows > 1) {
        std::copy(m.begin(), m.begin() + cols, m.begin() + static_cast<std::ptrdiff_t>(rows - 1) * cols);
    }
    return m;
}

// One call: up to four distinct buffers, and which of them each pointer argument names.
struct call {
    std::string name;
    int32_t op = 0;
    int a = -1, b = -1, result = -1, result2 = -1;  // buffer index or -1 for null
    uint32_t a_rows = 0, a_cols = 0, b_rows = 0, b_cols = 0;
    bool with_swaps = true;
    std::vector<std::vector<uint64_t>> buffers;  // contents, guards excluded
};

// Adds a buffer holding `data` followed by canaries up to `size` elements.
int add_buffer(call &c, const std::vector<uint64_t> &data, size_t size) {
    std::vector<uint64_t> buffer(data);
    if (buffer.size() < size) {
        buffer.resize(size, kCanaryBits);
    }
    c.buffers.push_back(buffer);
    return static_cast<int>(c.buffers.size() - 1);
}

void grow(call &c, int buffer, size_t size) {
    if (buffer >= 0 && c.buffers[buffer].size() < size) {
        c.buffers[buffer].resize(size, kCanaryBits);
    }
}

std::string shape(uint32_t rows, uint32_t cols) {
    return std::to_string(rows) + "x" + std::to_string(cols);
}

struct corpus_builder {
    rng r{0x6d61747269780001ULL};
    std::vector<call> calls;

    call start(const std::string &name, int32_t op, value_kind kind) {
        call c;
        c.op = op;
        c.name = name + " " + kKindNames[kind];
        return c;
    }

    // '+', '-': separate result, result over a, over b, over both with a and b one buffer.
    void elementwise(char op, value_kind kind, uint32_t rows, uint32_t cols) {
        const size_t n = static_cast<size_t>(rows) * cols;
        const char *modes[] = {"result separate", "result=a", "result=b", "a=b=result", "a=b"};
        for (int mode = 0; mode < 5; ++mode) {
            call c = start(std::string(1, op) + " " + shape(rows, cols) + " " + modes[mode], op, kind);
            c.a_rows = c.b_rows = rows;
            c.a_cols = c.b_cols = cols;
            c.a = add_buffer(c, operand(r, kind, rows, cols), n);
            c.b = mode >= 3 ? c.a : add_buffer(c, operand(r, kind, rows, cols), n);
            c.result = mode == 1 || mode == 3 ? c.a : mode == 2 ? c.b : add_buffer(c, {}, n);
            calls.push_back(c);
        }
    }

    // '.': the scalar in b or in a, written separately or over the scaled operand.
    void scaling(value_kind kind, uint32_t rows, uint32_t cols) {
        const size_t n = static_cast<size_t>(rows) * cols;
        for (int scalar_in_a = 0; scalar_in_a < 2; ++scalar_in_a) {
            for (int in_place = 0; in_place < 2; ++in_place) {
                call c = start(std::string(". ") + shape(rows, cols) + (scalar_in_a ? " scalar in a" : " scalar in b") +
                                   (in_place ? " in place" : ""),
                               '.', kind);
                const int scaled = add_buffer(c, operand(r, kind, rows, cols), n);
                const int scalar = add_buffer(c, operand(r, kind, 1, 1), 1);
                c.a = scalar_in_a ? scalar : scaled;
                c.b = scalar_in_a ? scaled : scalar;
                c.a_rows = scalar_in_a ? 1 : rows;
                c.a_cols = scalar_in_a ? 1 : cols;
                c.b_rows = scalar_in_a ? rows : 1;
                c.b_cols = scalar_in_a ? cols : 1;
                c.result = in_place ? scaled : add_buffer(c, {}, n);
                calls.push_back(c);
            }
        }
    }

    // '*': separate, over a, over b; square operands also as one buffer (a=b, a=b=result).
    void product(value_kind kind, uint32_t m, uint32_t n, uint32_t p) {
        const size_t out = static_cast<size_t>(m) * p;
        const int modes = m == n && n == p ? 5 : 3;
        const char *names[] = {"result separate", "result=a", "result=b", "a=b", "a=b=result"};
        for (int mode = 0; mode < modes; ++mode) {
            call c = start("* " + shape(m, n) + " " + shape(n, p) + " " + names[mode], '*', kind);
            c.a_rows = m;
            c.a_cols = c.b_rows = n;
            c.b_cols = p;
            c.a = add_buffer(c, operand(r, kind, m, n), static_cast<size_t>(m) * n);
            c.b = mode >= 3 ? c.a : add_buffer(c, operand(r, kind, n, p), static_cast<size_t>(n) * p);
            c.result = mode == 1 || mode == 4 ? c.a : mode == 2 ? c.b : add_buffer(c, {}, out);
            grow(c, c.result, out);
            calls.push_back(c);
        }
        if (n == 1) {  // outer product v * v^T: the same buffer as m x 1 and 1 x m
            call c = start("* outer product " + std::to_string(m), '*', kind);
            c.a = c.b = add_buffer(c, operand(r, kind, m, 1), m);
            c.a_rows = c.b_cols = m;
            c.a_cols = c.b_rows = 1;
            c.result = add_buffer(c, {}, static_cast<size_t>(m) * m);
            calls.push_back(c);
        }
    }

    // One square operand ('x', 'd', 'i', 'f'): in a or in b, written separately or in place.
    void single(char op, value_kind kind, uint32_t n, size_t result_size) {
        for (int in_b = 0; in_b < 2; ++in_b) {
            for (int in_place = 0; in_place < 2; ++in_place) {
                const int32_t code = in_b ? (op - 'a' + 'A') | 0x100 : op;  // also the folded forms
                call c = start(std::string(1, op) + " " + shape(n, n) + (in_b ? " in b" : " in a") +
                                   (in_place ? " in place" : ""),
                               code, kind);
                const int m = add_buffer(c, operand(r, kind, n, n), static_cast<size_t>(n) * n);
                (in_b ? c.b : c.a) = m;
                (in_b ? c.b_rows : c.a_rows) = n;
                (in_b ? c.b_cols : c.a_cols) = n;
                c.result = in_place ? m : add_buffer(c, {}, result_size);
                calls.push_back(c);
            }
        }
    }

    // 'v', 't': with no companion or a companion of `companion_cols` columns, each written
    // separately or in place.
    void pivoting(char op, value_kind kind, uint32_t n, uint32_t companion_cols) {
        for (int companion = 0; companion < 2; ++companion) {
            for (int in_place = 0; in_place < 2; ++in_place) {
                call c = start(std::string(1, op) + " " + shape(n, n) +
                                   (companion ? " companion " + shape(n, companion_cols) : std::string(" no companion")) +
                                   (in_place ? " in place" : ""),
                               op, kind);
                c.a = add_buffer(c, operand(r, kind, n, n), static_cast<size_t>(n) * n);
                c.a_rows = c.a_cols = n;
                c.result = in_place ? c.a : add_buffer(c, {}, static_cast<size_t>(n) * n);
                if (companion) {
                    const size_t size = static_cast<size_t>(n) * companion_cols;
                    c.b = add_buffer(c, operand(r, kind, n, companion_cols), size);
                    c.b_rows = n;
                    c.b_cols = companion_cols;
                    c.result2 = in_place ? c.b : add_buffer(c, {}, size);
                }
                calls.push_back(c);
            }
        }
    }

    // 'h': operand in a, in b, or in both (b is taken); R over the operand; Q over a square one.
    void householder(value_kind kind, uint32_t m, uint32_t n) {
        const char *names[] = {"in a", "in b", "in b, a ignored", "R over operand", "Q over operand"};
        const int modes = m == n ? 5 : 4;
        for (int mode = 0; mode < modes; ++mode) {
            call c = start("h " + shape(m, n) + " " + names[mode], mode == 1 ? 'H' : 'h', kind);
            const int operand_buffer = add_buffer(c, operand(r, kind, m, n), static_cast<size_t>(m) * n);
            if (mode == 1 || mode == 2) {
                c.b = operand_buffer;
                c.b_rows = m;
                c.b_cols = n;
                if (mode == 2) {
                    c.a = add_buffer(c, operand(r, kind, 2, 2), 4);
                    c.a_rows = c.a_cols = 2;
                }
            } else {
                c.a = operand_buffer;
                c.a_rows = m;
                c.a_cols = n;
            }
            c.result = mode == 4 ? operand_buffer : add_buffer(c, {}, static_cast<size_t>(m) * m);
            c.result2 = mode == 3 ? operand_buffer : add_buffer(c, {}, static_cast<size_t>(m) * n);
            c.with_swaps = mode != 0;
            calls.push_back(c);
        }
    }

    // A few refusals: each must leave every buffer as it was.
    void refusals() {
        call unknown = start("unknown op 'A'", 'A', kModerate);
        unknown.a = add_buffer(unknown, operand(r, kModerate, 2, 2), 4);
        unknown.a_rows = unknown.a_cols = 2;
        unknown.result = add_buffer(unknown, {}, 4);
        calls.push_back(unknown);
        call mismatch = start("+ 2x3 3x2", '+', kModerate);
        mismatch.a = add_buffer(mismatch, operand(r, kModerate, 2, 3), 6);
        mismatch.b = add_buffer(mismatch, operand(r, kModerate, 3, 2), 6);
        mismatch.a_rows = mismatch.b_cols = 2;
        mismatch.a_cols = mismatch.b_rows = 3;
        mismatch.result = add_buffer(mismatch, {}, 6);
        calls.push_back(mismatch);
        call zero_leading = start("f zero leading", 'f', kModerate);
        std::vector<uint64_t> m = operand(r, kModerate, 3, 3);
        m[0] = 0x8000000000000000ULL;  // -0
        zero_leading.a = add_buffer(zero_leading, m, 9);
        zero_leading.a_rows = zero_leading.a_cols = 3;
        zero_leading.result = add_buffer(zero_leading, {}, 9);
        calls.push_back(zero_leading);
    }

    // Empty operands where they are allowed, and the product of two scalars written over the
    // scalar operand.
    void boundaries() {
        for (char op : {'v', 't', 'i'}) {
            call c = start(std::string(1, op) + " 0x0", op, kModerate);
            c.a = add_buffer(c, {}, 2);
            c.result = add_buffer(c, {}, 2);
            if (op != 'i') {
                c.b = add_buffer(c, {}, 2);
                c.b_cols = 3;
                c.result2 = add_buffer(c, {}, 2);
            }
            calls.push_back(c);
        }
        for (uint32_t rows : {0u, 3u}) {
            call c = start("h " + shape(rows, 0), 'h', kModerate);
            c.a = add_buffer(c, {}, 2);
            c.a_rows = rows;
            c.result = add_buffer(c, {}, 2);
            c.result2 = add_buffer(c, {}, 2);
            calls.push_back(c);
        }
        for (value_kind kind : {kModerate, kSpecial}) {
            call c = start(". 1x1 over the scalar", '.', kind);
            c.a = add_buffer(c, operand(r, kind, 1, 1), 1);
            c.b = c.result = add_buffer(c, operand(r, kind, 1, 1), 1);
            c.a_rows = c.a_cols = c.b_rows = c.b_cols = 1;
            calls.push_back(c);
        }
    }

    void build() {
        const value_kind kinds[] = {kModerate, kWide, kSpecial, kSmallIntegers, kSingular};
        const uint32_t squares[] = {1, 2, 3, 5, 8, 17, 40};
        const uint32_t rect[][3] = {{1, 1, 1}, {2, 3, 2}, {1, 7, 1}, {6, 1, 6}, {3, 17, 4}, {9, 9, 9}, {40, 23, 31}};
        const uint32_t tall[][2] = {{1, 1}, {2, 1}, {3, 2}, {5, 5}, {9, 4}, {17, 17}, {40, 40}};
        for (value_kind kind : kinds) {
            for (const auto &s : rect) {
                elementwise('+', kind, s[0], s[1]);
                elementwise('-', kind, s[0], s[1]);
                scaling(kind, s[0], s[1]);
                product(kind, s[0], s[1], s[2]);
            }
            for (uint32_t n : squares) {
                single('x', kind, n, static_cast<size_t>(n) * n);
                single('d', kind, n, 1);
                single('i', kind, n, static_cast<size_t>(n) * n);
                single('f', kind, n, static_cast<size_t>(n) * n);
                pivoting('v', kind, n, n == 1 ? 0 : (n % 3) + 1);
                pivoting('t', kind, n, n);
            }
            for (const auto &s : tall) {
                householder(kind, s[0], s[1]);
            }
        }
        refusals();
        boundaries();
    }
};

// --- the file --------------------------------------------------------------------------------

void put32(std::FILE *f, uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

void put64(std::FILE *f, uint64_t v) {
    put32(f, static_cast<uint32_t>(v));
    put32(f, static_cast<uint32_t>(v >> 32));
}

int write_corpus(const char *path) {
    const entry_fn matrix = load_entry();
    if (matrix == nullptr) {
        return 2;
    }
    corpus_builder builder;
    builder.build();
    std::FILE *f = std::fopen(path, "wb");
    if (f == nullptr) {
        std::perror(path);
        return 2;
    }
    std::fwrite(kMagic, 1, sizeof kMagic, f);
    put32(f, static_cast<uint32_t>(builder.calls.size()));
    for (call &c : builder.calls) {
        // Every buffer with guards of canaries on both sides.
        std::vector<std::vector<double>> storage;
        for (const auto &contents : c.buffers) {
            std::vector<uint64_t> pattern(contents.size() + 2 * kGuard, kCanaryBits);
            std::copy(contents.begin(), contents.end(), pattern.begin() + kGuard);
            storage.emplace_back(pattern.size());
            std::memcpy(storage.back().data(), pattern.data(), pattern.size() * sizeof(uint64_t));
        }
        auto pointer = [&](int index) { return index < 0 ? nullptr : storage[index].data() + kGuard; };
        int32_t swaps = kSwapsCanary;
        const int32_t status = matrix(c.op, pointer(c.a), c.a_rows, c.a_cols, pointer(c.b), c.b_rows, c.b_cols,
                                      pointer(c.result), pointer(c.result2), c.with_swaps ? &swaps : nullptr);
        put32(f, static_cast<uint32_t>(c.name.size()));
        std::fwrite(c.name.data(), 1, c.name.size(), f);
        put32(f, static_cast<uint32_t>(status));
        put32(f, static_cast<uint32_t>(swaps));
        uint32_t total = 0;
        for (const auto &s : storage) {
            total += static_cast<uint32_t>(s.size());
        }
        put32(f, total);
        for (const auto &s : storage) {
            for (size_t k = 0; k < s.size(); ++k) {
                uint64_t u;
                std::memcpy(&u, &s[k], sizeof u);
                put64(f, u);
            }
        }
    }
    const bool ok = std::fclose(f) == 0;
    std::printf("corpus: %zu calls written to %s\n", builder.calls.size(), path);
    return ok ? 0 : 2;
}

struct record {
    std::string name;
    int32_t status = 0;
    int32_t swaps = 0;
    std::vector<uint64_t> values;
};

struct reader {
    std::vector<unsigned char> data;
    size_t at = 0;
    bool ok = true;

    bool load(const char *path) {
        std::FILE *f = std::fopen(path, "rb");
        if (f == nullptr) {
            std::perror(path);
            return false;
        }
        unsigned char chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            data.insert(data.end(), chunk, chunk + got);
        }
        std::fclose(f);
        return true;
    }
    uint32_t get32() {
        if (at + 4 > data.size()) {
            ok = false;
            return 0;
        }
        const uint32_t v = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
        at += 4;
        return v;
    }
    uint64_t get64() {
        const uint64_t low = get32();
        return low | static_cast<uint64_t>(get32()) << 32;
    }
    bool read(std::vector<record> &records) {
        if (data.size() < sizeof kMagic || std::memcmp(data.data(), kMagic, sizeof kMagic) != 0) {
            return false;
        }
        at = sizeof kMagic;
        const uint32_t count = get32();
        for (uint32_t i = 0; i < count && ok; ++i) {
            record r;
            const uint32_t length = get32();
            if (!ok || at + length > data.size()) {
                return false;
            }
            r.name.assign(reinterpret_cast<const char *>(&data[at]), length);
            at += length;
            r.status = static_cast<int32_t>(get32());
            r.swaps = static_cast<int32_t>(get32());
            const uint32_t total = get32();
            for (uint32_t k = 0; k < total && ok; ++k) {
                r.values.push_back(get64());
            }
            records.push_back(r);
        }
        return ok && at == data.size();
    }
};

bool is_nan(uint64_t u) {
    return (u & 0x7ff0000000000000ULL) == 0x7ff0000000000000ULL && (u & 0x000fffffffffffffULL) != 0;
}

int compare_corpus(const char *left_path, const char *right_path) {
    reader left, right;
    std::vector<record> lr, rr;
    if (!left.load(left_path) || !right.load(right_path)) {
        return 2;
    }
    if (!left.read(lr) || !right.read(rr)) {
        std::printf("corpus: a file is not a complete corpus\n");
        return 2;
    }
    if (lr.size() != rr.size()) {
        std::printf("corpus: %zu calls against %zu\n", lr.size(), rr.size());
        return 1;
    }
    size_t elements = 0, differing = 0, nan_payload_only = 0, calls_differing = 0, shown = 0;
    for (size_t i = 0; i < lr.size(); ++i) {
        const record &a = lr[i], &b = rr[i];
        bool call_differs = a.name != b.name || a.status != b.status || a.swaps != b.swaps ||
                            a.values.size() != b.values.size();
        if (call_differs && shown < 20) {
            std::printf("call %zu (%s): status %d/%d, swaps %d/%d, %zu/%zu values\n", i, a.name.c_str(), a.status,
                        b.status, a.swaps, b.swaps, a.values.size(), b.values.size());
            ++shown;
        }
        const size_t n = std::min(a.values.size(), b.values.size());
        elements += n;
        for (size_t k = 0; k < n; ++k) {
            if (a.values[k] == b.values[k]) {
                continue;
            }
            // A NaN that arithmetic produced carries a payload that depends on the order of the
            // operands inside one instruction, which differs between kernel levels: it is
            // compared as a NaN only. A canary never matches a NaN.
            const bool payload = is_nan(a.values[k]) && is_nan(b.values[k]) && a.values[k] != kCanaryBits &&
                                 b.values[k] != kCanaryBits;
            if (payload) {
                ++nan_payload_only;
                continue;
            }
            call_differs = true;
            ++differing;
            if (shown < 20) {
                std::printf("call %zu (%s), value %zu: 0x%016" PRIx64 " against 0x%016" PRIx64 "%s\n", i,
                            a.name.c_str(), k, a.values[k], b.values[k], payload ? " (NaN payloads)" : "");
                ++shown;
            }
        }
        calls_differing += call_differs ? 1 : 0;
    }
    // What the corpus exercised, from the first file: statuses and the NaNs in the buffers.
    size_t by_status[32] = {};
    size_t nans = 0;
    for (const record &a : lr) {
        ++by_status[static_cast<uint32_t>(a.status) & 31];
        for (uint64_t v : a.values) {
            nans += is_nan(v) && v != kCanaryBits ? 1 : 0;
        }
    }
    std::printf("corpus: statuses");
    for (int status = 0; status < 32; ++status) {
        if (by_status[status] != 0) {
            std::printf(" %d:%zu", status, by_status[status]);
        }
    }
    std::printf("; %zu NaN values other than canaries\n", nans);
    std::printf("corpus: %zu calls, %zu values compared; %zu calls differ, %zu values differ; "
                "%zu NaNs with another payload (compared as NaN)\n",
                lr.size(), elements, calls_differing, differing, nan_payload_only);
    return calls_differing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "write") == 0) {
        return write_corpus(argv[2]);
    }
    if (argc == 4 && std::strcmp(argv[1], "compare") == 0) {
        return compare_corpus(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: %s write FILE | compare FILE FILE\n", argv[0]);
    return 2;
}
