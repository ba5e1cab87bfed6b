# The straightforward build of every operation, on the counting allocator of the library under
# test: the heap tests stop both at the same refused request and compare what each leaves.
dorvane_add_variant(dorvane_reference_counted PREFIX dorvane_reference_counted REFERENCE
                    HEAP ${CMAKE_CURRENT_LIST_DIR}/reference_counted_heap.cpp)
target_link_libraries(dorvane_heap_tests PRIVATE dorvane_reference_counted dorvane_testable)
