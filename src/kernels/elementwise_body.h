// The element-wise kernels of one level, written once over that level's vector operations.
// Included inside the level's namespace by elementwise_<level>.cpp, which defines:
//   vec, kLanes, load(p), store(p, v), stream(p, v) (aligned non-temporal store), splat(x),
//   vadd, vsub, vmul and store_fence().
// Every element gets exactly one rounded operation with its own operands; lanes are independent
// elements, so the order of the elements does not matter for the bits, and out may be one of
// the inputs (same address): each group of elements is read before its results are stored.

// Outputs of at least this many bytes go past the caches with non-temporal stores: the result is
// then too large to be read back from the cache soon, and the stores save the read of each line.
constexpr size_t kStreamBytes = size_t(8) << 20;
constexpr size_t kAlign = kLanes * sizeof(double);

template <class Op>
inline void apply_binary(size_t n, const double *a, const double *b, double *out, Op op) {
    size_t k = 0;
    if (n * sizeof(double) >= kStreamBytes) {
        // Element-wise first up to an aligned output address, then whole aligned vectors.
        while (k < n && (reinterpret_cast<uintptr_t>(out + k) % kAlign) != 0) {
            out[k] = op.scalar(a[k], b[k]);
            ++k;
        }
        for (; k + 4 * kLanes <= n; k += 4 * kLanes) {
            const vec r0 = op.vector(load(a + k), load(b + k));
            const vec r1 = op.vector(load(a + k + kLanes), load(b + k + kLanes));
            const vec r2 = op.vector(load(a + k + 2 * kLanes), load(b + k + 2 * kLanes));
            const vec r3 = op.vector(load(a + k + 3 * kLanes), load(b + k + 3 * kLanes));
            stream(out + k, r0);
            stream(out + k + kLanes, r1);
            stream(out + k + 2 * kLanes, r2);
            stream(out + k + 3 * kLanes, r3);
        }
        store_fence();
    }
    for (; k + 4 * kLanes <= n; k += 4 * kLanes) {
        const vec r0 = op.vector(load(a + k), load(b + k));
        const vec r1 = op.vector(load(a + k + kLanes), load(b + k + kLanes));
        const vec r2 = op.vector(load(a + k + 2 * kLanes), load(b + k + 2 * kLanes));
        const vec r3 = op.vector(load(a + k + 3 * kLanes), load(b + k + 3 * kLanes));
        store(out + k, r0);
        store(out + k + kLanes, r1);
        store(out + k + 2 * kLanes, r2);
        store(out + k + 3 * kLanes, r3);
    }
    for (; k + kLanes <= n; k += kLanes) {
        store(out + k, op.vector(load(a + k), load(b + k)));
    }
    for (; k < n; ++k) {
        out[k] = op.scalar(a[k], b[k]);
    }
}

struct add_op {
    vec vector(vec x, vec y) const { return vadd(x, y); }
    double scalar(double x, double y) const { return x + y; }
};

struct subtract_op {
    vec vector(vec x, vec y) const { return vsub(x, y); }
    double scalar(double x, double y) const { return x - y; }
};

// s * x, the scalar first as in the definition.
struct scale_op {
    double s;
    vec vs;
    vec vector(vec x, vec) const { return vmul(vs, x); }
    double scalar(double x, double) const { return s * x; }
};

// y + x * f: the product rounded, then the sum.
struct add_scaled_op {
    double f;
    vec vf;
    vec vector(vec y, vec x) const { return vadd(y, vmul(x, vf)); }
    double scalar(double y, double x) const { return y + x * f; }
};

void add(size_t n, const double *a, const double *b, double *out) {
    apply_binary(n, a, b, out, add_op{});
}

void subtract(size_t n, const double *a, const double *b, double *out) {
    apply_binary(n, a, b, out, subtract_op{});
}

void scale(size_t n, double s, const double *x, double *out) {
    // The second input is not read by scale_op; x stands in for it.
    apply_binary(n, x, x, out, scale_op{s, splat(s)});
}

void add_scaled_row(size_t n, double f, const double *src, double *dst) {
    apply_binary(n, dst, src, dst, add_scaled_op{f, splat(f)});
}
