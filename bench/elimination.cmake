# Elimination, determinant and inverse beside the step-by-step reference build and OpenBLAS's
# LU factorization and inverse (one thread), in one executable so that the ratios come from the
# same run.
find_package(benchmark REQUIRED)
find_library(DORVANE_OPENBLAS NAMES openblas REQUIRED)

if(NOT TARGET dorvane_reference)
  dorvane_add_variant(dorvane_reference PREFIX dorvane_reference REFERENCE)
endif()

add_executable(dorvane_elimination_bench ${CMAKE_CURRENT_LIST_DIR}/elimination_bench.cpp)
target_compile_options(dorvane_elimination_bench PRIVATE -O2)
target_link_libraries(dorvane_elimination_bench PRIVATE dorvane dorvane_reference ${DORVANE_OPENBLAS}
                      benchmark::benchmark)
