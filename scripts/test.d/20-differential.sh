#!/usr/bin/env bash
# Every kernel level of the 32-bit Windows build against the reference build of the same
# sources, under wine (the native build runs the same comparison in its own test suite), and no
# fused multiply-add in that DLL.
set -euo pipefail
. scripts/packages.sh
if [ ! -f cmake/mingw-i686.cmake ]; then
  # The cross toolchain file comes with the Windows build; without it there is nothing to run.
  echo "SKIPPED: cmake/mingw-i686.cmake is missing, no 32-bit Windows build to compare"
  exit 0
fi
ensure_packages cmake make binutils g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386

jobs="${DORVANE_JOBS:-2}"
tree=build/windows-levels
toolchain=()  # given once: a configured tree keeps its toolchain
[ -f "$tree/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake)
cmake -S . -B "$tree" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=OFF \
  -DDORVANE_BUILD_EXAMPLES=OFF -DDORVANE_BUILD_DIFF_LEVELS=ON > /dev/null
cmake --build "$tree" -j"$jobs" --target dorvane dorvane_diff_levels

export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$PWD/$tree/wineprefix"
trap 'wineserver -k 2> /dev/null || true' EXIT
(cd "$tree" && wine ./tests/diff/levels/dorvane_diff_levels.exe)
sh tests/check_no_fma.sh "$tree/dorvane.dll"
