// Every kernel level of the fast build against the reference build, without a test framework,
// for the 32-bit Windows build (run under wine by scripts/test.d/20-differential.sh): random
// shapes and values, every operation that has fast kernels, in their aliasing modes. Status,
// every output element and the spare canaries after them are compared; a NaN produced by
// arithmetic matches any NaN. Prints "N passed, M failed" and exits non-zero on a mismatch.
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "variants.h"

namespace {

using vec = std::vector<double>;

uint64_t bits(double x) {
    uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

double from_bits(uint64_t u) {
    double x;
    std::memcpy(&x, &u, sizeof x);
    return x;
}

const double kCanary = from_bits(0x7ff4c0ffee15deadULL);

bool same(const vec &x, const vec &y) {
    for (size_t k = 0; k < x.size(); ++k) {
        const bool arithmetic_nans = x[k] != x[k] && y[k] != y[k] && bits(x[k]) != bits(kCanary) &&
                                     bits(y[k]) != bits(kCanary);
        if (bits(x[k]) != bits(y[k]) && !arithmetic_nans) {
            return false;
        }
    }
    return true;
}

struct generator {
    std::mt19937_64 rng{2024};

    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(rng() % n); }

    double value() {
        switch (pick(40)) {
        case 0: return -0.0;
        case 1: return 0.0;
        case 2: return from_bits(0x7ff0000000000000ULL);
        case 3: return from_bits(0x7ff8000000000000ULL | (1 + pick(1000)));
        case 4: return from_bits(1 + (rng() & 0xfffffffffULL));  // subnormal
        case 5: case 6: case 7: case 8:
            return std::ldexp(static_cast<double>(static_cast<int>(pick(31)) - 15), static_cast<int>(pick(120)) - 60);
        default: return std::uniform_real_distribution<double>(-2.0, 2.0)(rng);
        }
    }

    vec matrix(size_t n) {
        vec m(n + 3, kCanary);
        for (size_t k = 0; k < n; ++k) {
            m[k] = value();
        }
        return m;
    }
};

// Buffers of one call: a, b, result, result2. Which argument points where is fixed per case.
struct call {
    char op;
    int a, b, result, result2;  // index of the buffer, or -1 for null
    uint32_t ar, ac, br, bc;
};

struct buffers {
    vec v[4];
};

int32_t run(int level, const call &c, buffers &x) {
    auto ptr = [&](int i) { return i < 0 ? nullptr : x.v[i].data(); };
    if (level < 0) {
        return dorvane_reference_matrix(c.op, ptr(c.a), c.ar, c.ac, ptr(c.b), c.br, c.bc, ptr(c.result),
                                        ptr(c.result2), nullptr);
    }
    return dorvane_paths_matrix_at(level, c.op, ptr(c.a), c.ar, c.ac, ptr(c.b), c.br, c.bc, ptr(c.result),
                                   ptr(c.result2), nullptr);
}

}  // namespace

int main() {
    generator g;
    long passed = 0;
    long failed = 0;
    const int top = dorvane_paths_cpu_level();
    std::printf("kernel levels 0 to %d\n", top);
    for (int trial = 0; trial < 400; ++trial) {
        const uint32_t m = 1 + g.pick(trial % 4 == 0 ? 150 : 40);
        uint32_t n = 1 + g.pick(trial % 4 == 0 ? 150 : 40);
        const uint32_t p = 1 + g.pick(trial % 4 == 0 ? 150 : 40);
        if (trial % 10 == 0) {
            n = 260 + g.pick(400);  // several blocks of k
        }
        const uint32_t h = 1 + g.pick(20);
        const uint32_t hc = 1 + g.pick(h);
        // Each case: the call, and the element counts of its four buffers.
        struct entry {
            call c;
            size_t size[4];
        };
        const size_t mn = size_t(m) * n, np = size_t(n) * p, mp = size_t(m) * p, mm = size_t(m) * m;
        const entry cases[] = {
            {{'*', 0, 1, 2, -1, m, n, n, p}, {mn, np, mp, 0}},
            {{'*', 0, 1, 0, -1, m, n, n, p}, {mn > mp ? mn : mp, np, 0, 0}},
            {{'*', 0, 1, 1, -1, m, n, n, p}, {mn, np > mp ? np : mp, 0, 0}},
            {{'*', 0, 0, 2, -1, m, 1, 1, m}, {m, 0, mm, 0}},
            {{'+', 0, 1, 2, -1, m, p, m, p}, {mp, mp, mp, 0}},
            {{'-', 0, 1, 1, -1, m, p, m, p}, {mp, mp, 0, 0}},
            {{'-', 0, 0, 0, -1, m, p, m, p}, {mp, 0, 0, 0}},
            {{'.', 0, 1, 2, -1, m, p, 1, 1}, {mp, 1, mp, 0}},
            {{'.', 0, 1, 1, -1, 1, 1, m, p}, {1, mp, 0, 0}},
            {{'x', 0, -1, 2, -1, m, m, 0, 0}, {mm, 0, mm, 0}},
            {{'x', -1, 1, 1, -1, 0, 0, m, m}, {0, mm, 0, 0}},
            {{'t', 0, 1, 2, 3, m, m, m, p}, {mm, mp, mm, mp}},
            {{'i', 0, -1, 2, -1, m, m, 0, 0}, {mm, 0, mm, 0}},
            {{'h', 0, -1, 2, 3, h, hc, 0, 0}, {size_t(h) * hc, 0, size_t(h) * h, size_t(h) * hc}},
        };
        const entry &e = cases[trial % (sizeof cases / sizeof cases[0])];
        buffers initial;
        for (int k = 0; k < 4; ++k) {
            initial.v[k] = g.matrix(e.size[k]);
            if (k >= 2) {
                initial.v[k].assign(e.size[k] + 3, kCanary);
            }
        }
        buffers expected = initial;
        const int32_t expected_status = run(-1, e.c, expected);
        for (int level = 0; level <= top; ++level) {
            buffers actual = initial;
            const int32_t status = run(level, e.c, actual);
            bool ok = status == expected_status;
            for (int k = 0; k < 4; ++k) {
                ok = ok && same(expected.v[k], actual.v[k]);
            }
            if (ok) {
                ++passed;
            } else {
                ++failed;
                std::printf("mismatch: '%c' a %ux%u b %ux%u, level %d\n", e.c.op, e.c.ar, e.c.ac, e.c.br, e.c.bc,
                            level);
            }
        }
    }
    std::printf("%ld passed, %ld failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
