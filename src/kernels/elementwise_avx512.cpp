// Element-wise kernels at the avx512 level: 8 elements per vector.
#include "kernels/levels.h"

#if defined(DORVANE_X86)
#include <stddef.h>
#include <stdint.h>

#include <immintrin.h>

#define DORVANE_TARGET "avx512f"
#include "kernels/target.h"

namespace dorvane {
namespace kernels {
namespace avx512 {
namespace {

using vec = __m512d;
constexpr size_t kLanes = 8;
inline vec load(const double *p) { return _mm512_loadu_pd(p); }
inline void store(double *p, vec v) { _mm512_storeu_pd(p, v); }
inline void stream(double *p, vec v) { _mm512_stream_pd(p, v); }
inline vec splat(double x) { return _mm512_set1_pd(x); }
inline vec vadd(vec x, vec y) { return _mm512_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm512_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm512_mul_pd(x, y); }
inline void store_fence() { _mm_sfence(); }

}  // namespace

#include "kernels/elementwise_body.h"

}  // namespace avx512
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
