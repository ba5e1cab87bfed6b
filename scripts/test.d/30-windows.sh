#!/usr/bin/env bash
# The 32-bit Windows DLL, cross-built with mingw-w64 and tested under wine: the behaviour tests
# through the DLL loaded by name, misaligned-stack calls, the export and import tables, no x87
# code, the allocation-failure tests on a 32-bit build, the example client, and a corpus of calls
# that must give the same bits as the Linux x86-64 build.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake make g++ libgtest-dev binutils \
  g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest wine wine32:i386

jobs="${DORVANE_JOBS:-2}"
native=build/native
windows=build/windows

# The native corpus program (the native stage's build tree, when it is there).
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=ON > /dev/null
cmake --build "$native" -j"$jobs" --target dorvane_corpus

toolchain=()  # given once: a configured tree keeps its toolchain
[ -f "$windows/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake)
cmake -S . -B "$windows" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DDORVANE_BUILD_TESTS=ON -DDORVANE_NATIVE_CORPUS="$PWD/$native/tests/corpus/dorvane_corpus" > /dev/null
cmake --build "$windows" -j"$jobs"

# The wine prefix of this build tree; its first start creates it.
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$PWD/$windows/wineprefix"
trap 'wineserver -k 2> /dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the wine prefix $WINEPREFIX"
fi
wine cmd /c exit

(cd "$windows" && wine ./dorvane_example.exe > /dev/null)
ctest --test-dir "$windows" --output-on-failure -j"$jobs"
