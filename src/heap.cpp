// Scratch memory of the shipped library: the process heap.
#include "scratch.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <stdlib.h>
#endif

namespace dorvane {

void *scratch_allocate(size_t bytes) {
#if defined(_WIN32)
    return HeapAlloc(GetProcessHeap(), 0, bytes);
#else
    return malloc(bytes != 0 ? bytes : 1);
#endif
}

void scratch_release(void *block) {
#if defined(_WIN32)
    HeapFree(GetProcessHeap(), 0, block);
#else
    free(block);
#endif
}

}  // namespace dorvane
