# The kernels beyond the portable loops: one file per family and instruction-set level, each
# compiled for its level by its own target pragmas (so no per-file flags are needed, and the
# Windows cross-build gets them too). src/kernels/dispatch.cpp picks the level per call.
set(DORVANE_FAST_KERNEL_SOURCES
  src/kernels/elementwise_sse2.cpp
  src/kernels/elementwise_avx2.cpp
  src/kernels/elementwise_avx512.cpp
  src/kernels/gemm_sse2.cpp
  src/kernels/gemm_avx2.cpp
  src/kernels/gemm_avx512.cpp
  src/kernels/transpose.cpp
  src/kernels/transpose_avx512.cpp
  src/kernels/elimination_sse2.cpp
  src/kernels/elimination_avx2.cpp
  src/kernels/elimination_avx512.cpp)
list(TRANSFORM DORVANE_FAST_KERNEL_SOURCES PREPEND "${PROJECT_SOURCE_DIR}/")

# dorvane_add_variant(<target> PREFIX <name> [REFERENCE] [TEST_PATHS] [HEAP <file>]
#                     [SOURCES <file>...])
#
# A static build of the whole library for tests, linkable into one executable beside the shipped
# library and beside other variants: its namespace becomes <name> and its entry
# <name>_matrix (declared extern "C" with the signature of `matrix`); the nested calls of its
# operations go to that same entry. Scratch memory comes from the process heap unless HEAP
# names another source.
#   REFERENCE   only the portable kernels: the straightforward definition of every operation.
#   TEST_PATHS  the fast kernels, with the level capped per thread by kernels::test_path_cap(),
#               which one of the SOURCES must define.
#   HEAP        the source of its scratch memory in place of the process heap (src/heap.cpp).
function(dorvane_add_variant target)
  cmake_parse_arguments(PARSE_ARGV 1 V "REFERENCE;TEST_PATHS" "PREFIX;HEAP" "SOURCES")
  if(NOT V_HEAP)
    set(V_HEAP ${PROJECT_SOURCE_DIR}/src/heap.cpp)
  endif()
  set(sources ${DORVANE_CORE_SOURCES} ${V_HEAP})
  if(V_REFERENCE)
    list(REMOVE_ITEM sources ${DORVANE_FAST_KERNEL_SOURCES})
  endif()
  add_library(${target} STATIC ${sources} ${V_SOURCES})
  dorvane_library_settings(${target})
  # Renames by token: `namespace dorvane` and every call of `matrix` in these sources.
  target_compile_definitions(${target} PRIVATE dorvane=${V_PREFIX} matrix=${V_PREFIX}_matrix)
  target_compile_definitions(${target} PRIVATE DORVANE_STATIC)
  if(V_REFERENCE)
    target_compile_definitions(${target} PRIVATE DORVANE_REFERENCE_KERNELS)
  endif()
  if(V_TEST_PATHS)
    target_compile_definitions(${target} PRIVATE DORVANE_TEST_PATHS)
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/include)
endfunction()
