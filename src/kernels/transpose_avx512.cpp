// Transposes at the AVX-512 level: 8 x 8 groups transposed in registers, so that every cache
// line of either matrix is read or written whole, at once. Only moves and lane permutations:
// the bits of every value are kept. Groups that do not fill 8 x 8 at the edges move one value
// at a time.
#include "kernels/levels.h"

#if defined(DORVANE_X86)
#include <stddef.h>
#include <string.h>

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 unpack intrinsics pass an undefined vector as their merge source.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define DORVANE_TARGET "avx512f"
#include "kernels/target.h"

namespace dorvane {
namespace kernels {
namespace avx512 {
namespace {

constexpr size_t kBlock = 64;

struct group {
    __m512d row[8];
};

// The transpose of the 8 x 8 group at src (row stride n).
inline group load_transposed(const double *src, size_t n) {
    __m512d r[8];
    for (size_t i = 0; i < 8; ++i) {
        r[i] = _mm512_loadu_pd(src + i * n);
    }
    __m512d t[8];
    for (size_t q = 0; q < 4; ++q) {
        t[2 * q] = _mm512_unpacklo_pd(r[2 * q], r[2 * q + 1]);      // columns 0 2 4 6 of rows 2q, 2q+1
        t[2 * q + 1] = _mm512_unpackhi_pd(r[2 * q], r[2 * q + 1]);  // columns 1 3 5 7
    }
    const __m512i even = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
    const __m512i odd = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
    __m512d s[8];
    for (size_t h = 0; h < 2; ++h) {      // rows 0-3, rows 4-7
        for (size_t c = 0; c < 2; ++c) {  // from unpacklo (columns 0 2 4 6) or unpackhi (1 3 5 7)
            const __m512d x = t[4 * h + c];
            const __m512d y = t[4 * h + 2 + c];
            s[4 * h + c] = _mm512_permutex2var_pd(x, even, y);      // columns c and c+4
            s[4 * h + 2 + c] = _mm512_permutex2var_pd(x, odd, y);  // columns c+2 and c+6
        }
    }
    const __m512i low = _mm512_set_epi64(11, 10, 9, 8, 3, 2, 1, 0);
    const __m512i high = _mm512_set_epi64(15, 14, 13, 12, 7, 6, 5, 4);
    group g;
    for (size_t c = 0; c < 4; ++c) {
        g.row[c] = _mm512_permutex2var_pd(s[c], low, s[4 + c]);
        g.row[c + 4] = _mm512_permutex2var_pd(s[c], high, s[4 + c]);
    }
    return g;
}

inline void store(double *dst, size_t n, const group &g) {
    for (size_t j = 0; j < 8; ++j) {
        _mm512_storeu_pd(dst + j * n, g.row[j]);
    }
}

inline void move(double *dst, const double *src) {
    memcpy(dst, src, sizeof(double));
}

inline void swap(double *x, double *y) {
    double t;
    memcpy(&t, x, sizeof t);
    memcpy(x, y, sizeof t);
    memcpy(y, &t, sizeof t);
}

void copy_block(size_t n, const double *src, double *dst, size_t i0, size_t i1, size_t j0, size_t j1) {
    size_t i = i0;
    for (; i + 8 <= i1; i += 8) {
        size_t j = j0;
        for (; j + 8 <= j1; j += 8) {
            store(dst + j * n + i, n, load_transposed(src + i * n + j, n));
        }
        for (; j < j1; ++j) {
            for (size_t r = i; r < i + 8; ++r) {
                move(&dst[j * n + r], &src[r * n + j]);
            }
        }
    }
    for (; i < i1; ++i) {
        for (size_t j = j0; j < j1; ++j) {
            move(&dst[j * n + i], &src[i * n + j]);
        }
    }
}

// Blocks that do not overlap the diagonal (k0 >= i1).
void swap_blocks(size_t n, double *m, size_t i0, size_t i1, size_t k0, size_t k1) {
    size_t i = i0;
    for (; i + 8 <= i1; i += 8) {
        size_t k = k0;
        for (; k + 8 <= k1; k += 8) {
            const group upper = load_transposed(m + i * n + k, n);
            const group lower = load_transposed(m + k * n + i, n);
            store(m + k * n + i, n, upper);
            store(m + i * n + k, n, lower);
        }
        for (; k < k1; ++k) {
            for (size_t r = i; r < i + 8; ++r) {
                swap(&m[r * n + k], &m[k * n + r]);
            }
        }
    }
    for (; i < i1; ++i) {
        for (size_t k = k0; k < k1; ++k) {
            swap(&m[i * n + k], &m[k * n + i]);
        }
    }
}

}  // namespace

void transpose_copy(size_t n, const double *src, double *dst) {
    for (size_t i0 = 0; i0 < n; i0 += kBlock) {
        const size_t i1 = i0 + kBlock < n ? i0 + kBlock : n;
        for (size_t j0 = 0; j0 < n; j0 += kBlock) {
            const size_t j1 = j0 + kBlock < n ? j0 + kBlock : n;
            copy_block(n, src, dst, i0, i1, j0, j1);
        }
    }
}

void transpose_in_place(size_t n, double *m) {
    for (size_t i0 = 0; i0 < n; i0 += kBlock) {
        const size_t i1 = i0 + kBlock < n ? i0 + kBlock : n;
        // The diagonal block: its 8 x 8 groups off the diagonal with their mirrors, then the
        // pairs inside the groups on the diagonal; the diagonal itself stays.
        for (size_t g0 = i0; g0 < i1; g0 += 8) {
            const size_t g1 = g0 + 8 < i1 ? g0 + 8 : i1;
            for (size_t i = g0; i < g1; ++i) {
                for (size_t k = i + 1; k < g1; ++k) {
                    swap(&m[i * n + k], &m[k * n + i]);
                }
            }
            swap_blocks(n, m, g0, g1, g1, i1);
        }
        for (size_t k0 = i1; k0 < n; k0 += kBlock) {
            const size_t k1 = k0 + kBlock < n ? k0 + kBlock : n;
            swap_blocks(n, m, i0, i1, k0, k1);
        }
    }
}

}  // namespace avx512
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
