#!/bin/sh
# The shared library must export exactly one symbol: matrix.
set -eu
lib="$1"
exports=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtDdBbRrVvWwi]$/ { print $3 }' | sort -u)
if [ "$exports" != "matrix" ]; then
  echo "expected the single export 'matrix', found:"
  echo "$exports"
  exit 1
fi
echo "exports: $exports"
