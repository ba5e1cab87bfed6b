// Element-wise kernels at the avx2 level: 4 elements per vector.
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
inline vec load(const double *p) { return _mm256_loadu_pd(p); }
inline void store(double *p, vec v) { _mm256_storeu_pd(p, v); }
inline void stream(double *p, vec v) { _mm256_stream_pd(p, v); }
inline vec splat(double x) { return _mm256_set1_pd(x); }
inline vec vadd(vec x, vec y) { return _mm256_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm256_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm256_mul_pd(x, y); }
inline void store_fence() { _mm_sfence(); }

}  // namespace

#include "kernels/elementwise_body.h"

}  // namespace avx2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
