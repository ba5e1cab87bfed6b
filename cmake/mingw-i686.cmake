# Cross-build for 32-bit Windows with mingw-w64 (i686), run under wine.
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#
# The posix thread model of the compiler is preferred: its C++ library has std::thread and
# std::mutex, which the test programs need. Programs and the DLL link the thread library
# statically, so nothing imports a winpthread DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(DORVANE_MINGW_TRIPLE i686-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${DORVANE_MINGW_TRIPLE}-gcc-posix ${DORVANE_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DORVANE_MINGW_TRIPLE}-g++-posix ${DORVANE_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DORVANE_MINGW_TRIPLE}-windres windres)
find_program(CMAKE_OBJDUMP NAMES ${DORVANE_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${DORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under wine, in a 32-bit prefix of the build tree's own, quietly, without
# the prompts for the .NET and HTML engines.
find_program(DORVANE_WINE NAMES wine)
if(DORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEARCH=win32 WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
          "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" ${DORVANE_WINE})
endif()
