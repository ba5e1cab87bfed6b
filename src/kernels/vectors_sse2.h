// The vector operations of the sse2 level (2 doubles per vector), for the kernel bodies. Include
// inside the anonymous namespace of a kernel file compiled for this level (kernels/target.h).
using vec = __m128d;
constexpr size_t kLanes = 2;
inline vec load(const double *p) { return _mm_loadu_pd(p); }
inline void store(double *p, vec v) { _mm_storeu_pd(p, v); }
inline void stream(double *p, vec v) { _mm_stream_pd(p, v); }
// Partial vectors hold count < kLanes elements: one, at this level.
inline vec load_part(const double *p, size_t) { return _mm_load_sd(p); }
inline void store_part(double *p, vec v, size_t) { _mm_store_sd(p, v); }
inline vec splat(double x) { return _mm_set1_pd(x); }
inline vec zero() { return _mm_setzero_pd(); }
inline vec vadd(vec x, vec y) { return _mm_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm_mul_pd(x, y); }
inline vec vdiv(vec x, vec y) { return _mm_div_pd(x, y); }
inline vec vneg(vec x) { return _mm_xor_pd(x, _mm_set1_pd(-0.0)); }
inline void store_fence() { _mm_sfence(); }
