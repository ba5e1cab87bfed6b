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

#include "kernels/vectors_avx2.h"

}  // namespace

#include "kernels/elementwise_body.h"

}  // namespace avx2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
