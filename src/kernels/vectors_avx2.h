// The vector operations of the avx2 level (4 doubles per vector), for the kernel bodies. Include
// inside the anonymous namespace of a kernel file compiled for this level (kernels/target.h).
using vec = __m256d;
constexpr size_t kLanes = 4;
inline vec load(const double *p) { return _mm256_loadu_pd(p); }
inline void store(double *p, vec v) { _mm256_storeu_pd(p, v); }
inline void stream(double *p, vec v) { _mm256_stream_pd(p, v); }
inline __m256i lanes_below(size_t count) {
    return _mm256_cmpgt_epi64(_mm256_set1_epi64x(static_cast<long long>(count)), _mm256_set_epi64x(3, 2, 1, 0));
}
inline vec load_part(const double *p, size_t count) { return _mm256_maskload_pd(p, lanes_below(count)); }
inline void store_part(double *p, vec v, size_t count) { _mm256_maskstore_pd(p, lanes_below(count), v); }
inline vec splat(double x) { return _mm256_set1_pd(x); }
inline vec zero() { return _mm256_setzero_pd(); }
inline vec vadd(vec x, vec y) { return _mm256_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm256_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm256_mul_pd(x, y); }
inline vec vdiv(vec x, vec y) { return _mm256_div_pd(x, y); }
inline vec vneg(vec x) { return _mm256_xor_pd(x, _mm256_set1_pd(-0.0)); }
inline void store_fence() { _mm_sfence(); }
