# Compiler settings that every build of the library's sources shares. Results must be the
# rounded IEEE double operations in the written order: no contraction into fused multiply-add,
# no fast-math, SSE2 rather than x87 on 32-bit x86.
function(dorvane_library_settings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
      -ffp-contract=off -fno-fast-math -fno-math-errno
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
    endif()
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
endfunction()
