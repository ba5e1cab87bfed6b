#include "test_heap.h"

#include <atomic>
#include <cstdlib>

#include "scratch.h"

namespace {
std::atomic<long> g_requests{0};
std::atomic<long> g_outstanding{0};
std::atomic<long> g_released{0};
std::atomic<long> g_fail_at{0};
std::atomic<bool> g_delivered{false};
}  // namespace

void test_heap::reset() {
    g_requests = 0;
    g_outstanding = 0;
    g_released = 0;
    g_fail_at = 0;
    g_delivered = false;
}

void test_heap::fail_request(long nth) {
    g_fail_at = nth == 0 ? 0 : g_requests + nth;
    g_delivered = false;
}

long test_heap::requests() { return g_requests; }
long test_heap::outstanding() { return g_outstanding; }
long test_heap::released() { return g_released; }
bool test_heap::failure_delivered() { return g_delivered; }

void *dorvane::scratch_allocate(size_t bytes) {
    const long request = ++g_requests;
    if (request == g_fail_at) {
        g_delivered = true;
        return nullptr;
    }
    void *block = std::malloc(bytes != 0 ? bytes : 1);
    if (block != nullptr) {
        ++g_outstanding;
    }
    return block;
}

void dorvane::scratch_release(void *block) {
    --g_outstanding;
    ++g_released;
    std::free(block);
}
