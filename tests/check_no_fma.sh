#!/bin/sh
# Fails when a built library contains a fused multiply-add instruction (FMA3, FMA4 or the
# AVX-512 four-iteration forms): every product must be rounded before its sum.
# Usage: check_no_fma.sh LIBRARY... (shared objects or the Windows DLL). OBJDUMP overrides the
# disassembler.
set -eu
[ $# -ge 1 ] || { echo "usage: $0 LIBRARY..." >&2; exit 2; }
objdump=${OBJDUMP:-objdump}
status=0
for lib in "$@"; do
  if [ ! -f "$lib" ]; then
    echo "$lib: no such file" >&2
    status=1
    continue
  fi
  listing=$("$objdump" -d --no-show-raw-insn "$lib") || { echo "$lib: cannot disassemble" >&2; status=1; continue; }
  if ! printf '%s\n' "$listing" | grep -q 'file format'; then
    echo "$lib: no disassembly" >&2
    status=1
    continue
  fi
  fused=$(printf '%s\n' "$listing" |
          grep -E '[[:space:]](\{[^}]*\}[[:space:]]*)?(vfn?m(add|sub)[a-z0-9]*|vfmaddsub[a-z0-9]*|vfmsubadd[a-z0-9]*|v4fn?madd[a-z0-9]*)[[:space:]]' || true)
  if [ -n "$fused" ]; then
    echo "$lib: fused multiply-add instructions found:" >&2
    printf '%s\n' "$fused" | head -20 >&2
    status=1
  else
    echo "$lib: no fused multiply-add"
  fi
done
exit $status
