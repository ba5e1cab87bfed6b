// Elimination and back-substitution kernels at the sse2 level: 2 elements per vector.
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
#if defined(__x86_64__) || defined(_M_X64)
constexpr size_t kStripVectors = 8;  // of 16 vector registers
#else
constexpr size_t kStripVectors = 4;  // of 8 vector registers
#endif
inline vec load(const double *p) { return _mm_loadu_pd(p); }
inline void store(double *p, vec v) { _mm_storeu_pd(p, v); }
inline vec load_part(const double *p, size_t) { return _mm_load_sd(p); }
inline void store_part(double *p, vec v, size_t) { _mm_store_sd(p, v); }
inline vec splat(double x) { return _mm_set1_pd(x); }
inline vec vadd(vec x, vec y) { return _mm_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm_mul_pd(x, y); }
inline vec vdiv(vec x, vec y) { return _mm_div_pd(x, y); }
inline vec vneg(vec x) { return _mm_xor_pd(x, _mm_set1_pd(-0.0)); }

}  // namespace

#include "kernels/elimination_body.h"

}  // namespace sse2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
