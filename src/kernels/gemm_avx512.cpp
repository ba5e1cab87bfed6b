// Matrix product kernels at the avx512 level: register tiles of 8-lane vectors, see
// gemm_body.h.
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

// The multiplies take *x straight from memory, broadcast by the load unit ({1to8}): a separate
// broadcast costs as much issue bandwidth as a multiply, and the compiler does not fold it into
// the multiplies when one broadcast feeds several. The multiply itself is the plain one. The
// operand is passed as an address: a memory operand would make the compiler keep the running
// sums in memory, and the products' operands are not written while a tile is computed.
#define DORVANE_GEMM_OWN_PRODUCTS
template <size_t count>
inline void products(const double *x, const vec *row, vec *product) {
    if constexpr (count == 1) {
        __asm__("vmulpd (%2)%{1to8%}, %1, %0" : "=v"(product[0]) : "v"(row[0]), "r"(x));
    } else if constexpr (count == 2) {
        __asm__("vmulpd (%4)%{1to8%}, %2, %0\n\tvmulpd (%4)%{1to8%}, %3, %1"
                : "=&v"(product[0]), "=&v"(product[1])
                : "v"(row[0]), "v"(row[1]), "r"(x));
    } else if constexpr (count == 3) {
        __asm__("vmulpd (%6)%{1to8%}, %3, %0\n\tvmulpd (%6)%{1to8%}, %4, %1\n\tvmulpd (%6)%{1to8%}, %5, %2"
                : "=&v"(product[0]), "=&v"(product[1]), "=&v"(product[2])
                : "v"(row[0]), "v"(row[1]), "v"(row[2]), "r"(x));
    } else {
        static_assert(count == 4, "tiles are at most 4 vectors wide");
        __asm__("vmulpd (%8)%{1to8%}, %4, %0\n\tvmulpd (%8)%{1to8%}, %5, %1\n\t"
                "vmulpd (%8)%{1to8%}, %6, %2\n\tvmulpd (%8)%{1to8%}, %7, %3"
                : "=&v"(product[0]), "=&v"(product[1]), "=&v"(product[2]), "=&v"(product[3])
                : "v"(row[0]), "v"(row[1]), "v"(row[2]), "v"(row[3]), "r"(x));
    }
}

#if defined(__x86_64__) || defined(_M_X64)
constexpr size_t kRows = 6;  // 24 sums of the 32 vector registers
constexpr size_t kVectors = 4;
constexpr size_t kNarrowRows = 8;  // for products narrower than one tile
#else
constexpr size_t kRows = 2;  // of 8 vector registers
constexpr size_t kVectors = 2;
constexpr size_t kNarrowRows = 2;
#endif
constexpr size_t kDepth = 256;
constexpr size_t kWidth = 32;
constexpr size_t kHeight = 128;

#include "kernels/gemm_body.h"

}  // namespace

#include "kernels/gemm_exports.h"

}  // namespace avx512
}  // namespace kernels
}  // namespace dorvane

DORVANE_TARGET_END
#endif
