#!/usr/bin/env bash
# Builds the library (Release) and runs the example client against it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
command -v cmake >/dev/null && command -v c++ >/dev/null || ensure_packages cmake g++ make
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DDORVANE_BUILD_TESTS=OFF
cmake --build build/release -j"$(nproc)"
./build/release/dorvane_example
