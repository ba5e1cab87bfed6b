// The one place that takes heap memory: scratch space of a single call.
#ifndef DORVANE_SCRATCH_H
#define DORVANE_SCRATCH_H

#include <stddef.h>
#include <stdint.h>

namespace dorvane {

// Raw allocation, provided by exactly one of the allocator sources linked into a build (the
// process heap in the shipped library). A request of zero bytes succeeds with a non-null pointer.
void *scratch_allocate(size_t bytes);
void scratch_release(void *block);

// Owns one scratch array of doubles and releases it on every path out of the scope.
class scratch_buffer {
public:
    scratch_buffer() = default;
    scratch_buffer(const scratch_buffer &) = delete;
    scratch_buffer &operator=(const scratch_buffer &) = delete;
    ~scratch_buffer() { release(); }

    // Obtains rows * cols doubles. Fails (returns false, holds nothing) when the heap refuses or
    // when the byte count does not fit size_t.
    bool allocate(uint64_t rows, uint64_t cols);
    void release();
    double *data() const { return data_; }

private:
    double *data_ = nullptr;
};

}  // namespace dorvane

#endif
