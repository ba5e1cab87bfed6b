// Cache-blocked transposes. Values move as 8-byte patterns through integer or SIMD moves and
// shuffles, never through a floating-point operation that could change a signalling NaN.
// Square blocks of kBlock rows keep every cache line that is read or written in the cache
// until all of it is used; inside a block, 4 x 4 groups are transposed in SSE2 registers (the
// baseline of every x86 build of the library).
#include <stddef.h>
#include <string.h>

#include "kernels/levels.h"

#if defined(DORVANE_X86)
#include <emmintrin.h>
#endif

namespace dorvane {
namespace kernels {
namespace blocked {
namespace {

constexpr size_t kBlock = 32;

inline void move(double *dst, const double *src) {
    memcpy(dst, src, sizeof(double));
}

inline void swap(double *x, double *y) {
    double t;
    memcpy(&t, x, sizeof t);
    memcpy(x, y, sizeof t);
    memcpy(y, &t, sizeof t);
}

#if defined(DORVANE_X86)
// The transpose of the 4 x 4 group at src (row stride n), as four rows of two registers each.
struct group {
    __m128d row[4][2];
};

inline group load_transposed(const double *src, size_t n) {
    __m128d r[4][2];
    for (size_t i = 0; i < 4; ++i) {
        r[i][0] = _mm_loadu_pd(src + i * n);
        r[i][1] = _mm_loadu_pd(src + i * n + 2);
    }
    group t;
    for (size_t h = 0; h < 2; ++h) {      // column pair of the source
        for (size_t q = 0; q < 2; ++q) {  // row pair of the source
            t.row[2 * h][q] = _mm_unpacklo_pd(r[2 * q][h], r[2 * q + 1][h]);
            t.row[2 * h + 1][q] = _mm_unpackhi_pd(r[2 * q][h], r[2 * q + 1][h]);
        }
    }
    return t;
}

inline void store(double *dst, size_t n, const group &t) {
    for (size_t j = 0; j < 4; ++j) {
        _mm_storeu_pd(dst + j * n, t.row[j][0]);
        _mm_storeu_pd(dst + j * n + 2, t.row[j][1]);
    }
}
#endif

// dst(j, i) = src(i, j) for i in [i0, i1), j in [j0, j1).
void copy_block(size_t n, const double *src, double *dst, size_t i0, size_t i1, size_t j0, size_t j1) {
    size_t i = i0;
#if defined(DORVANE_X86)
    for (; i + 4 <= i1; i += 4) {
        size_t j = j0;
        for (; j + 4 <= j1; j += 4) {
            store(dst + j * n + i, n, load_transposed(src + i * n + j, n));
        }
        for (; j < j1; ++j) {
            for (size_t r = i; r < i + 4; ++r) {
                move(&dst[j * n + r], &src[r * n + j]);
            }
        }
    }
#endif
    for (; i < i1; ++i) {
        for (size_t j = j0; j < j1; ++j) {
            move(&dst[j * n + i], &src[i * n + j]);
        }
    }
}

// Exchanges (i, k) with (k, i) for i in [i0, i1), k in [k0, k1), blocks that do not overlap
// the diagonal (k0 >= i1).
void swap_blocks(size_t n, double *m, size_t i0, size_t i1, size_t k0, size_t k1) {
    size_t i = i0;
#if defined(DORVANE_X86)
    for (; i + 4 <= i1; i += 4) {
        size_t k = k0;
        for (; k + 4 <= k1; k += 4) {
            const group upper = load_transposed(m + i * n + k, n);
            const group lower = load_transposed(m + k * n + i, n);
            store(m + k * n + i, n, upper);
            store(m + i * n + k, n, lower);
        }
        for (; k < k1; ++k) {
            for (size_t r = i; r < i + 4; ++r) {
                swap(&m[r * n + k], &m[k * n + r]);
            }
        }
    }
#endif
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
        // The diagonal block: each pair above its diagonal with its mirror, the diagonal stays.
        for (size_t i = i0; i < i1; ++i) {
            for (size_t k = i + 1; k < i1; ++k) {
                swap(&m[i * n + k], &m[k * n + i]);
            }
        }
        for (size_t k0 = i1; k0 < n; k0 += kBlock) {
            const size_t k1 = k0 + kBlock < n ? k0 + kBlock : n;
            swap_blocks(n, m, i0, i1, k0, k1);
        }
    }
}

}  // namespace blocked
}  // namespace kernels
}  // namespace dorvane
