// Compiled into the test build of every path only: the per-thread cap of the kernels' level.
// `dorvane` and `matrix` are renamed by that build (cmake/DorvaneKernels.cmake).
#include "dorvane.h"
#include "kernels.h"
#include "variants.h"

namespace dorvane {
namespace kernels {
namespace {
thread_local isa cap = isa::avx512;
}

isa test_path_cap() { return cap; }

}  // namespace kernels
}  // namespace dorvane

extern "C" int32_t dorvane_paths_matrix_at(int32_t level, int32_t op, const double *a, uint32_t a_rows,
                                           uint32_t a_cols, const double *b, uint32_t b_rows,
                                           uint32_t b_cols, double *result, double *result2,
                                           int32_t *swaps) {
    using dorvane::kernels::isa;
    const isa saved = dorvane::kernels::cap;
    dorvane::kernels::cap = static_cast<isa>(level);
    const int32_t status = matrix(op, a, a_rows, a_cols, b, b_rows, b_cols, result, result2, swaps);
    dorvane::kernels::cap = saved;
    return status;
}

extern "C" int32_t dorvane_paths_cpu_level(void) {
    return static_cast<int32_t>(dorvane::kernels::cpu_isa());
}
