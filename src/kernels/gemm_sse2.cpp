// Matrix product kernels at the sse2 level: register tiles of 2-lane vectors, see
// gemm_body.h.
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

#if defined(__x86_64__) || defined(_M_X64)
constexpr size_t kRows = 4;  // of 16 vector registers
constexpr size_t kVectors = 2;
constexpr size_t kNarrowRows = kRows;
#else
constexpr size_t kRows = 2;  // of 8 vector registers
constexpr size_t kVectors = 2;
constexpr size_t kNarrowRows = kRows;
#endif
constexpr size_t kDepth = 256;
constexpr size_t kWidth = 32;
constexpr size_t kHeight = 128;

#include "kernels/gemm_body.h"

}  // namespace

#include "kernels/gemm_exports.h"

}  // namespace sse2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
