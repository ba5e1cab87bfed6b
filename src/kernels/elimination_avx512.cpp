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

#include "kernels/vectors_avx512.h"
constexpr size_t kStripVectors = 16;  // of 32 vector registers

}  // namespace

#include "kernels/elimination_body.h"

}  // namespace avx512
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
