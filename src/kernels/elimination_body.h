// The elimination and back-substitution kernels of one level, written once over that level's
// vector operations. Included inside the level's namespace by elimination_<level>.cpp, which
// defines:
//   vec, kLanes, load(p), store(p, v), load_part(p, count), store_part(p, v, count) (the first
//   count < kLanes lanes; the others read as zero and are not written), splat(x), vadd, vsub,
//   vmul, vdiv, vneg (the sign flipped, as the unary minus);
//   kStripVectors: the vectors of one strip of columns in the back substitution.
// Each element gets exactly the rounded operations of the portable loops, with the same
// operands in the same order; vectors only hold independent elements.

// One step of elimination: each row's factor from its column 0, then the row combined with the
// pivot row from column 0 on, or from column 1 on when its column 0 is kept.
void eliminate_below(size_t rows, size_t width, double p, const double *pivot, double *below, size_t ld,
                     bool keep) {
    const size_t skip = keep ? 1 : 0;
    if (width <= skip) {
        return;
    }
    const size_t count = width - skip;
    const double *src = pivot + skip;
    for (size_t t = 0; t < rows; ++t) {
        double *row = &below[t * ld];
        const vec f = splat(-(row[0] / p));
        double *dst = row + skip;
        size_t j = 0;
        for (; j + kLanes <= count; j += kLanes) {
            store(dst + j, vadd(load(dst + j), vmul(load(src + j), f)));
        }
        if (j < count) {
            store_part(dst + j, vadd(load_part(dst + j, count - j), vmul(load_part(src + j, count - j), f)),
                       count - j);
        }
    }
}

// Factors and residues of one row over a run of steps.
void settle_factors(size_t count, const double *pivots, double *x, double *f) {
    size_t s = 0;
    for (; s + kLanes <= count; s += kLanes) {
        const vec p = load(pivots + s);
        const vec xs = load(x + s);
        const vec fs = vneg(vdiv(xs, p));
        store(f + s, fs);
        store(x + s, vadd(xs, vmul(p, fs)));
    }
    if (s < count) {
        const size_t rest = count - s;
        const vec p = load_part(pivots + s, rest);
        const vec xs = load_part(x + s, rest);
        const vec fs = vneg(vdiv(xs, p));
        store_part(f + s, fs, rest);
        store_part(x + s, vadd(xs, vmul(p, fs)), rest);
    }
}

// Factors of one row over a run of steps.
void row_factors(size_t count, const double *pivots, const double *x, double *f) {
    size_t s = 0;
    for (; s + kLanes <= count; s += kLanes) {
        store(f + s, vneg(vdiv(load(x + s), load(pivots + s))));
    }
    if (s < count) {
        store_part(f + s, vneg(vdiv(load_part(x + s, count - s), load_part(pivots + s, count - s))), count - s);
    }
}

// Back substitution: the columns of x are independent problems: a strip of kLanes * A columns runs as A vectors,
// each lane one column with its own running sum, so that every sum is the same chain of rounded
// operations, in the same order, as in the portable loops. A independent chains hide the latency
// of the additions; the strip of x stays in the cache while the rows of u stream past it.

template <size_t A>
inline void solve_strip(size_t n, const double *u, size_t ldu, double *x, size_t ldx) {
    for (size_t i = n; i-- > 0;) {
        vec sum[A];
        for (size_t v = 0; v < A; ++v) {
            sum[v] = splat(0.0);
        }
        const double *row = &u[i * ldu];
        for (size_t j = i + 1; j < n; ++j) {
            const vec uij = splat(row[j]);
            const double *xj = &x[j * ldx];
            for (size_t v = 0; v < A; ++v) {
                sum[v] = vadd(vmul(uij, load(xj + v * kLanes)), sum[v]);
            }
        }
        const vec d = splat(row[i]);
        double *xi = &x[i * ldx];
        for (size_t v = 0; v < A; ++v) {
            store(xi + v * kLanes, vdiv(vsub(load(xi + v * kLanes), sum[v]), d));
        }
    }
}

// Strips of kStripVectors vectors, then of fewer for what is left, down to single columns.
void solve_upper(size_t n, size_t p, const double *u, size_t ldu, double *x, size_t ldx) {
    size_t c = 0;
    for (; c + kStripVectors * kLanes <= p; c += kStripVectors * kLanes) {
        solve_strip<kStripVectors>(n, u, ldu, x + c, ldx);
    }
    if constexpr (kStripVectors > 8) {
        if (c + 8 * kLanes <= p) {
            solve_strip<8>(n, u, ldu, x + c, ldx);
            c += 8 * kLanes;
        }
    }
    if constexpr (kStripVectors > 4) {
        if (c + 4 * kLanes <= p) {
            solve_strip<4>(n, u, ldu, x + c, ldx);
            c += 4 * kLanes;
        }
    }
    if (c + 2 * kLanes <= p) {
        solve_strip<2>(n, u, ldu, x + c, ldx);
        c += 2 * kLanes;
    }
    if (c + kLanes <= p) {
        solve_strip<1>(n, u, ldu, x + c, ldx);
        c += kLanes;
    }
    if (c < p) {
        portable::solve_upper(n, p - c, u, ldu, x + c, ldx);
    }
}
