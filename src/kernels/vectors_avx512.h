// The vector operations of the avx512 level (8 doubles per vector), for the kernel bodies.
// Include inside the anonymous namespace of a kernel file compiled for this level
// (kernels/target.h).
using vec = __m512d;
constexpr size_t kLanes = 8;
inline vec load(const double *p) { return _mm512_loadu_pd(p); }
inline void store(double *p, vec v) { _mm512_storeu_pd(p, v); }
inline void stream(double *p, vec v) { _mm512_stream_pd(p, v); }
inline __mmask8 lanes_below(size_t count) { return static_cast<__mmask8>((1u << count) - 1); }
inline vec load_part(const double *p, size_t count) { return _mm512_maskz_loadu_pd(lanes_below(count), p); }
inline void store_part(double *p, vec v, size_t count) { _mm512_mask_storeu_pd(p, lanes_below(count), v); }
inline vec splat(double x) { return _mm512_set1_pd(x); }
inline vec zero() { return _mm512_setzero_pd(); }
inline vec vadd(vec x, vec y) { return _mm512_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm512_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm512_mul_pd(x, y); }
inline vec vdiv(vec x, vec y) { return _mm512_div_pd(x, y); }
inline vec vneg(vec x) {
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(x), _mm512_set1_epi64(INT64_MIN)));
}
inline void store_fence() { _mm_sfence(); }
