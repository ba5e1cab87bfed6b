// Cache-blocked transposes: square tiles, so that every cache line read or written is used
// whole while it is in the cache. Values move as 8-byte patterns, never through a
// floating-point register that could change a signalling NaN.
#include <string.h>

#include "kernels/levels.h"

namespace dorvane {
namespace kernels {
namespace blocked {
namespace {

constexpr size_t kTile = 8;

inline void move(double *dst, const double *src) {
    memcpy(dst, src, sizeof(double));
}

inline void swap(double *x, double *y) {
    double t;
    memcpy(&t, x, sizeof t);
    memcpy(x, y, sizeof t);
    memcpy(y, &t, sizeof t);
}

}  // namespace

void transpose_copy(size_t n, const double *src, double *dst) {
    for (size_t i0 = 0; i0 < n; i0 += kTile) {
        const size_t i1 = i0 + kTile < n ? i0 + kTile : n;
        for (size_t j0 = 0; j0 < n; j0 += kTile) {
            const size_t j1 = j0 + kTile < n ? j0 + kTile : n;
            for (size_t j = j0; j < j1; ++j) {
                for (size_t i = i0; i < i1; ++i) {
                    move(&dst[j * n + i], &src[i * n + j]);
                }
            }
        }
    }
}

void transpose_in_place(size_t n, double *m) {
    for (size_t i0 = 0; i0 < n; i0 += kTile) {
        const size_t i1 = i0 + kTile < n ? i0 + kTile : n;
        // The diagonal tile: each pair above its diagonal with its mirror.
        for (size_t i = i0; i < i1; ++i) {
            for (size_t k = i + 1; k < i1; ++k) {
                swap(&m[i * n + k], &m[k * n + i]);
            }
        }
        // The tiles to the right of it with their mirrors below.
        for (size_t k0 = i1; k0 < n; k0 += kTile) {
            const size_t k1 = k0 + kTile < n ? k0 + kTile : n;
            for (size_t i = i0; i < i1; ++i) {
                for (size_t k = k0; k < k1; ++k) {
                    swap(&m[i * n + k], &m[k * n + i]);
                }
            }
        }
    }
}

}  // namespace blocked
}  // namespace kernels
}  // namespace dorvane
