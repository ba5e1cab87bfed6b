// The product kernels of one level, written once over that level's vector operations. Included
// inside the level's namespace by gemm_<level>.cpp, which defines:
//   vec, kLanes, load(p), store(p, v), load_part(p, count), store_part(p, v, count) (the first
//   count < kLanes lanes; the others read as zero and are not written), splat(x), zero(),
//   vadd, vmul, and, when it defines DORVANE_GEMM_OWN_PRODUCTS, products<count>(x, row,
//   product): product[v] = *x times row[v] for v < count, one rounded multiply per lane (the
//   version below otherwise);
//   kRows, kVectors: the register tile, kRows rows by kVectors vectors of kLanes columns;
//   kNarrowRows: the rows of the tiles of products narrower than kVectors vectors;
//   kDepth, kWidth: the block of b packed for the large products, kDepth rows by kWidth
//   columns (a multiple of kVectors * kLanes), on the stack; kHeight: the rows of a swept over
//   one packed block, whose kDepth columns stay in the second-level cache meanwhile.
//
// Every element c(i, j) is one running sum, held in a vector lane while a tile is computed:
// c(i, j) = c(i, j) + a(i, k) * b(k, j) for k ascending, the product rounded, then the sum
// rounded, never fused. Between blocks of k the sum is stored in c as a double, which keeps it
// exactly; a product from scratch starts the first block from +0.0 instead of loading c.

constexpr size_t kTileWidth = kVectors * kLanes;

#if !defined(DORVANE_GEMM_OWN_PRODUCTS)
template <size_t count>
inline void products(const double *x, const vec *row, vec *product) {
    const vec scalar = splat(*x);
    for (size_t v = 0; v < count; ++v) {
        product[v] = vmul(scalar, row[v]);
    }
}
#endif

// One tile of `rows` <= kRows rows and `vectors` <= kVectors vectors, the last vector holding
// `last` lanes (all kLanes when full), over kc steps of k.
template <size_t rows, size_t vectors, bool partial, bool from_zero>
void tile(size_t kc, const double *a, size_t lda, const double *b, size_t ldb, double *c, size_t ldc,
          size_t last) {
    vec sum[rows][vectors];
    for (size_t r = 0; r < rows; ++r) {
        for (size_t v = 0; v < vectors; ++v) {
            if (from_zero) {
                sum[r][v] = zero();
            } else if (partial && v == vectors - 1) {
                sum[r][v] = load_part(c + r * ldc + v * kLanes, last);
            } else {
                sum[r][v] = load(c + r * ldc + v * kLanes);
            }
        }
    }
#pragma GCC unroll 4
    for (size_t k = 0; k < kc; ++k) {
        vec row[vectors];
        for (size_t v = 0; v < vectors; ++v) {
            row[v] = partial && v == vectors - 1 ? load_part(b + k * ldb + v * kLanes, last)
                                                 : load(b + k * ldb + v * kLanes);
        }
        for (size_t r = 0; r < rows; ++r) {
            vec product[vectors];
            products<vectors>(a + r * lda + k, row, product);
            for (size_t v = 0; v < vectors; ++v) {
                sum[r][v] = vadd(sum[r][v], product[v]);
            }
        }
    }
    for (size_t r = 0; r < rows; ++r) {
        for (size_t v = 0; v < vectors; ++v) {
            if (partial && v == vectors - 1) {
                store_part(c + r * ldc + v * kLanes, sum[r][v], last);
            } else {
                store(c + r * ldc + v * kLanes, sum[r][v]);
            }
        }
    }
}

using tile_fn = void (*)(size_t, const double *, size_t, const double *, size_t, double *, size_t, size_t);

template <size_t rows, size_t vectors>
tile_fn pick_partial(bool partial, bool from_zero) {
    if (from_zero) {
        return partial ? &tile<rows, vectors, true, true> : &tile<rows, vectors, false, true>;
    }
    return partial ? &tile<rows, vectors, true, false> : &tile<rows, vectors, false, false>;
}

template <size_t rows, size_t vectors>
tile_fn pick_vectors(size_t count, bool partial, bool from_zero) {
    if constexpr (vectors > 1) {
        if (count < vectors) {
            return pick_vectors<rows, vectors - 1>(count, partial, from_zero);
        }
    }
    (void)count;
    return pick_partial<rows, vectors>(partial, from_zero);
}

template <size_t rows>
tile_fn pick_tile(size_t row_count, size_t vector_count, bool partial, bool from_zero) {
    if constexpr (rows > 1) {
        if (row_count < rows) {
            return pick_tile<rows - 1>(row_count, vector_count, partial, from_zero);
        }
    }
    (void)row_count;
    return pick_vectors<rows, kVectors>(vector_count, partial, from_zero);
}

// The tiles of a block of columns [0, p) of c, all rows, k over [0, kc).
inline void tiles(size_t m, size_t kc, size_t p, const double *a, size_t lda, const double *b, size_t ldb,
                  double *c, size_t ldc, bool from_zero) {
    const size_t full_tiles = p / kTileWidth;
    const size_t rest = p - full_tiles * kTileWidth;
    const size_t rest_vectors = (rest + kLanes - 1) / kLanes;
    const size_t rest_last = rest - (rest_vectors - 1) * kLanes;
    if (full_tiles == 0 && kNarrowRows != kRows) {
        // Narrower than one tile: taller tiles keep as many sums in registers.
        for (size_t i = 0; i < m; i += kNarrowRows) {
            const size_t rows = m - i < kNarrowRows ? m - i : kNarrowRows;
            const tile_fn edge = pick_tile<kNarrowRows>(rows, rest_vectors, rest_last != kLanes, from_zero);
            edge(kc, a + i * lda, lda, b, ldb, c + i * ldc, ldc, rest_last);
        }
        return;
    }
    const tile_fn full = pick_tile<kRows>(kRows, kVectors, false, from_zero);
    for (size_t i = 0; i < m; i += kRows) {
        const size_t rows = m - i < kRows ? m - i : kRows;
        const tile_fn body = rows == kRows ? full : pick_tile<kRows>(rows, kVectors, false, from_zero);
        for (size_t t = 0; t < full_tiles; ++t) {
            body(kc, a + i * lda, lda, b + t * kTileWidth, ldb, c + i * ldc + t * kTileWidth, ldc, kLanes);
        }
        if (rest != 0) {
            const tile_fn edge = pick_tile<kRows>(rows, rest_vectors, rest_last != kLanes, from_zero);
            const size_t j = full_tiles * kTileWidth;
            edge(kc, a + i * lda, lda, b + j, ldb, c + i * ldc + j, ldc, rest_last);
        }
    }
}

// Copies b's rows [0, kc) and columns [0, width) into `packed` with row stride kWidth, the
// columns from `width` up to the next whole vector zero (they only feed lanes never stored).
inline void pack(size_t kc, size_t width, const double *b, size_t ldb, double *packed) {
    for (size_t k = 0; k < kc; ++k) {
        const double *from = b + k * ldb;
        double *to = packed + k * kWidth;
        size_t j = 0;
        for (; j + kLanes <= width; j += kLanes) {
            store(to + j, load(from + j));
        }
        if (j < width) {
            store(to + j, load_part(from + j, width - j));
        }
    }
}

// Products whose b does not fit the first-level cache are computed block by block: kDepth rows
// by kWidth columns of b are packed contiguously (their rows then share no cache sets, whatever
// the stride of b) and swept by kHeight rows of a, which stay in the second-level cache while
// the blocks of b pass by. The order of k within each element is unchanged: blocks of k run in
// ascending order, each continuing the sums the previous one stored.
inline void blocked(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b, size_t ldb,
                    double *c, size_t ldc, bool from_zero) {
    const bool direct = n * p <= 64 * 64 || p < kTileWidth;
    if (direct) {
        tiles(m, n, p, a, lda, b, ldb, c, ldc, from_zero);
        return;
    }
    unsigned char storage[kDepth * kWidth * sizeof(double) + 64];
    double *packed = reinterpret_cast<double *>((reinterpret_cast<uintptr_t>(storage) + 63) & ~uintptr_t(63));
    for (size_t k0 = 0; k0 < n; k0 += kDepth) {
        const size_t kc = n - k0 < kDepth ? n - k0 : kDepth;
        for (size_t i0 = 0; i0 < m; i0 += kHeight) {
            const size_t mc = m - i0 < kHeight ? m - i0 : kHeight;
            for (size_t j0 = 0; j0 < p; j0 += kWidth) {
                const size_t width = p - j0 < kWidth ? p - j0 : kWidth;
                pack(kc, width, b + k0 * ldb + j0, ldb, packed);
                tiles(mc, kc, width, a + i0 * lda + k0, lda, packed, kWidth, c + i0 * ldc + j0, ldc,
                      from_zero && k0 == 0);
            }
        }
    }
}

inline void product(size_t m, size_t n, size_t p, const double *a, const double *b, double *c) {
    blocked(m, n, p, a, n, b, p, c, p, true);
}

inline void product_add(size_t m, size_t n, size_t p, const double *a, size_t lda, const double *b, size_t ldb,
                        double *c, size_t ldc) {
    if (n != 0) {
        blocked(m, n, p, a, lda, b, ldb, c, ldc, false);
    }
}
