// A counting allocator for test builds of the library's sources, with a switch that refuses
// one chosen allocation. The shipped library never contains it.
#ifndef DORVANE_TEST_HEAP_H
#define DORVANE_TEST_HEAP_H

namespace test_heap {

// Clears the counters and the planned failure.
void reset();
// Refuses the nth allocation request counted from now (1 = the next one); 0 refuses none.
void fail_request(long nth);
// Requests seen, blocks handed out and not yet released, and blocks released since reset().
long requests();
long outstanding();
long released();
// True once the planned failure has been delivered.
bool failure_delivered();

}  // namespace test_heap

#endif
