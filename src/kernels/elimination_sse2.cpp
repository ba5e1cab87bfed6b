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

#include "kernels/vectors_sse2.h"
#if defined(__x86_64__) || defined(_M_X64)
constexpr size_t kStripVectors = 8;  // of 16 vector registers
#else
constexpr size_t kStripVectors = 4;  // of 8 vector registers
#endif

}  // namespace

#include "kernels/elimination_body.h"

}  // namespace sse2
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
