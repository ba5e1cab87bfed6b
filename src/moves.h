// Moves of matrix entries that carry their 8 bytes unchanged (no floating-point load, so a
// signalling NaN stays signalling even where a double would pass through the x87 stack).
#ifndef DORVANE_MOVES_H
#define DORVANE_MOVES_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace dorvane {

inline void exchange_entries(double *x, double *y, size_t count) {
    for (size_t j = 0; j < count; ++j) {
        uint64_t u;
        uint64_t v;
        memcpy(&u, &x[j], sizeof u);
        memcpy(&v, &y[j], sizeof v);
        memcpy(&x[j], &v, sizeof v);
        memcpy(&y[j], &u, sizeof u);
    }
}

// Copies count entries; a copy of a buffer onto itself is allowed and changes nothing.
inline void copy_entries(double *dst, const double *src, size_t count) {
    if (dst != src && count != 0) {
        memcpy(dst, src, count * sizeof(double));
    }
}

}  // namespace dorvane

#endif
