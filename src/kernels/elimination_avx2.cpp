// Elimination and back-substitution kernels at the avx2 level: 4 elements per vector.
#include "kernels/levels.h"

#if defined(DORVANE_X86)
#include <stddef.h>
#include <stdint.h>

#include <immintrin.h>

#define DORVANE_TARGET "avx2"
#include "kernels/target.h"

namespace dorvane {
namespace kernels {
namespace avx2 {
namespace {

using vec = __m256d;
constexpr size_t kLanes = 4;
constexpr size_t kStripVectors = 8;  // of 16 vector registers
inline __m256i lanes_below(size_t count) {
    return _mm256_cmpgt_epi64(_mm256_set1_epi64x(static_cast<long long>(count)), _mm256_set_epi64x(3, 2, 1, 0));
}
inline vec load(const double *p) { return _mm256_loadu_pd(p); }
inline void store(double *p, vec v) { _mm256_storeu_pd(p, v); }
inline vec load_part(const double *p, size_t count) { return _mm256_maskload_pd(p, lanes_below(count)); }
inline void store_part(double *p, vec v, size_t count) { _mm256_maskstore_pd(p, lanes_below(count), v); }
inline vec splat(double x) { return _mm256_set1_pd(x); }
inline vec vadd(vec x, vec y) { return _mm256_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm256_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm256_mul_pd(x, y); }
inline vec vdiv(vec x, vec y) { return _mm256_div_pd(x, y); }
inline vec vneg(vec x) { return _mm256_xor_pd(x, _mm256_set1_pd(-0.0)); }

}  // namespace

#include "kernels/elimination_body.h"

}  // namespace avx2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
