#!/usr/bin/env bash
# Installing: `cmake --install` into a temporary prefix, which is then moved elsewhere (every
# installed path must be relative); a small outside project (tests/consumer) is built against it
# once through find_package and once through pkg-config, and run. Also runs the C++ example.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake g++ make pkgconf
cmake -S . -B build/clients -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_EXAMPLES=ON
cmake --build build/clients -j"$DORVANE_JOBS" --target dorvane dorvane_cpp_client
./build/clients/dorvane_cpp_client > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install build/clients --prefix "$work/staged" > /dev/null
mv "$work/staged" "$work/prefix"
prefix="$work/prefix"
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' build/clients/CMakeCache.txt)
for file in include/dorvane.h include/dorvane.hpp "$libdir/libdorvane.so" "$libdir/libdorvane.so.0" \
            "$libdir/cmake/dorvane/dorvaneConfig.cmake" "$libdir/cmake/dorvane/dorvaneConfigVersion.cmake" \
            "$libdir/cmake/dorvane/dorvaneTargets.cmake" "$libdir/pkgconfig/dorvane.pc"; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
if grep -rF "$work/staged" "$prefix" > /dev/null; then
  echo "the installed files name the install prefix; they must be relocatable:" >&2
  grep -rlF "$work/staged" "$prefix" >&2
  exit 1
fi

cmake -S tests/consumer -B "$work/by-package" -DDORVANE_CONSUMER_VIA=package -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$work/by-package" -j"$DORVANE_JOBS"
"$work/by-package/consumer_c"
"$work/by-package/consumer_cpp"

PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" cmake -S tests/consumer -B "$work/by-pkg-config" \
  -DDORVANE_CONSUMER_VIA=pkg-config
cmake --build "$work/by-pkg-config" -j"$DORVANE_JOBS"
"$work/by-pkg-config/consumer_c"
"$work/by-pkg-config/consumer_cpp"

# A library built elsewhere must not be picked up by accident: the consumers ran against this one.
ldd "$work/by-package/consumer_c" | grep -F "$prefix/$libdir/libdorvane.so.0"
ldd "$work/by-pkg-config/consumer_c" | grep -F "$prefix/$libdir/libdorvane.so.0"
echo "packaging: installed tree and both consumers OK"
