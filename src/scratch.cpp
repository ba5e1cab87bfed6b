#include "scratch.h"

namespace dorvane {

bool scratch_buffer::allocate(uint64_t rows, uint64_t cols) {
    release();
    const uint64_t limit = static_cast<uint64_t>(SIZE_MAX) / sizeof(double);
    if (rows != 0 && cols > limit / rows) {
        return false;
    }
    data_ = static_cast<double *>(scratch_allocate(static_cast<size_t>(rows * cols) * sizeof(double)));
    return data_ != nullptr;
}

void scratch_buffer::release() {
    if (data_ != nullptr) {
        scratch_release(data_);
        data_ = nullptr;
    }
}

}  // namespace dorvane
