// Scratch memory of the reference build that the heap tests link beside the library under test:
// the same counting allocator (tests/support/test_heap.cpp), so that one planned refusal reaches
// whichever of the two builds asks next. This build's namespace is renamed by the compiler's
// command line (cmake/DorvaneKernels.cmake); the allocator's is not.
#include "scratch.h"

#undef dorvane
namespace dorvane {
void *scratch_allocate(size_t bytes);
void scratch_release(void *block);
}  // namespace dorvane

void *dorvane_reference_counted::scratch_allocate(size_t bytes) { return ::dorvane::scratch_allocate(bytes); }
void dorvane_reference_counted::scratch_release(void *block) { ::dorvane::scratch_release(block); }
