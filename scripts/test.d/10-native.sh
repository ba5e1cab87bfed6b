#!/usr/bin/env bash
# The library on Linux x86-64 (Release): unit and behaviour tests, export list, example client.
set -euo pipefail
. scripts/packages.sh
ensure_packages cmake g++ make libgtest-dev binutils
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=ON
cmake --build build/native -j"$DORVANE_JOBS"
./build/native/dorvane_example > /dev/null
ctest --test-dir build/native --output-on-failure -j"$DORVANE_JOBS"
