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

#include "kernels/vectors_sse2.h"

}  // namespace

#include "kernels/elementwise_body.h"

}  // namespace sse2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
