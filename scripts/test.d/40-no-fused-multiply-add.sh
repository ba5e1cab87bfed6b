#!/usr/bin/env bash
# No fused multiply-add instruction in any library that the earlier stages built: the Linux
# shared library and the Windows DLLs.
set -euo pipefail
. scripts/packages.sh
ensure_packages binutils
shopt -s nullglob
libraries=(build/*/libdorvane.so build/*/dorvane.dll)
if [ ${#libraries[@]} -eq 0 ]; then
  echo "no built library found under build/" >&2
  exit 1
fi
sh tests/check_no_fma.sh "${libraries[@]}"
