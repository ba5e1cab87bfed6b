// Element-wise kernels at the sse2 level: 2 elements per vector.
#include "kernels/levels.h"

#if defined(DORVANE_X86)
#include <stddef.h>
#include <stdint.h>

#include <emmintrin.h>

#define DORVANE_TARGET "sse2"
#include "kernels/target.h"

namespace dorvane {
namespace kernels {
namespace sse2 {
namespace {

using vec = __m128d;
constexpr size_t kLanes = 2;
inline vec load(const double *p) { return _mm_loadu_pd(p); }
inline void store(double *p, vec v) { _mm_storeu_pd(p, v); }
inline void stream(double *p, vec v) { _mm_stream_pd(p, v); }
inline vec splat(double x) { return _mm_set1_pd(x); }
inline vec vadd(vec x, vec y) { return _mm_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm_mul_pd(x, y); }
inline void store_fence() { _mm_sfence(); }

}  // namespace

#include "kernels/elementwise_body.h"

}  // namespace sse2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
