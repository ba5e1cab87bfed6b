// Back substitution of one level, written once over that level's vector operations. Included
// inside the level's namespace by solve_<level>.cpp, which defines:
//   vec, kLanes, load(p), store(p, v), splat(x), vadd, vsub, vmul, vdiv.
// The columns of x are independent problems: a strip of kLanes * A columns runs as A vectors,
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

constexpr size_t kStripVectors = 8;

void solve_upper(size_t n, size_t p, const double *u, size_t ldu, double *x, size_t ldx) {
    size_t c = 0;
    for (; c + kStripVectors * kLanes <= p; c += kStripVectors * kLanes) {
        solve_strip<kStripVectors>(n, u, ldu, x + c, ldx);
    }
    if (c + 4 * kLanes <= p) {
        solve_strip<4>(n, u, ldu, x + c, ldx);
        c += 4 * kLanes;
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
