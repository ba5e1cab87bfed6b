// Elimination and back-substitution kernels at the avx512 level: 8 elements per vector.
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
constexpr size_t kStripVectors = 16;  // of 32 vector registers
inline __mmask8 lanes_below(size_t count) { return static_cast<__mmask8>((1u << count) - 1); }
inline vec load(const double *p) { return _mm512_loadu_pd(p); }
inline void store(double *p, vec v) { _mm512_storeu_pd(p, v); }
inline vec load_part(const double *p, size_t count) { return _mm512_maskz_loadu_pd(lanes_below(count), p); }
inline void store_part(double *p, vec v, size_t count) { _mm512_mask_storeu_pd(p, lanes_below(count), v); }
inline vec splat(double x) { return _mm512_set1_pd(x); }
inline vec vadd(vec x, vec y) { return _mm512_add_pd(x, y); }
inline vec vsub(vec x, vec y) { return _mm512_sub_pd(x, y); }
inline vec vmul(vec x, vec y) { return _mm512_mul_pd(x, y); }
inline vec vdiv(vec x, vec y) { return _mm512_div_pd(x, y); }
inline vec vneg(vec x) {
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(x), _mm512_set1_epi64(INT64_MIN)));
}

}  // namespace

#include "kernels/elimination_body.h"

}  // namespace avx512
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
