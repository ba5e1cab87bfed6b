#!/bin/sh
# Checks of the built dorvane.dll, read with objdump:
#   check_dll.sh exports OBJDUMP DLL      one export, named matrix, undecorated
#   check_dll.sh imports OBJDUMP DLL      imports from KERNEL32 and the C runtime only
#   check_dll.sh sse2    OBJDUMP DLL      no x87 instruction anywhere in the DLL, and nothing that
#                                         loads the SSE control register
#   check_dll.sh startup OBJDUMP DLL OBJ...  the entry point is DllMain itself, no TLS callbacks,
#                                         no static constructors in the objects
#   check_dll.sh realign OBJDUMP DLL      matrix aligns its stack and returns with a plain ret
#   check_dll.sh runtime OBJDUMP DLL OBJ...  the objects use nothing from outside but the process
#                                         heap, memory copies, libgcc's 64-bit division and CPU
#                                         feature flags: no C++ runtime (so nothing can throw),
#                                         no I/O, no threads
set -eu
check="$1"
objdump="$2"
dll="$3"
headers=$("$objdump" -p "$dll")

case "$check" in
exports)
  names=$(printf '%s\n' "$headers" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p')
  count=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*Export Address Table[[:space:]]*\([0-9a-f]*\)$/\1/p' | head -n 1)
  echo "exports: $names (address table entries: $count)"
  [ "$names" = "matrix" ] || { echo "expected exactly the export 'matrix'"; exit 1; }
  [ "$count" = "00000001" ] || { echo "expected one entry in the export address table"; exit 1; }
  ;;
imports)
  dlls=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  echo "imports:" $dlls
  [ -n "$dlls" ] || { echo "no import table found"; exit 1; }
  bad=$(printf '%s\n' "$dlls" | grep -v -x -e 'kernel32.dll' -e 'msvcrt.dll' -e 'api-ms-win-crt-.*\.dll' || true)
  [ -z "$bad" ] || { echo "unexpected imports:" $bad; exit 1; }
  printf '%s\n' "$dlls" | grep -q -x 'kernel32.dll' || { echo "KERNEL32 is not imported"; exit 1; }
  ;;
sse2)
  # Every function in the DLL: the library, its load hook and the libgcc helpers linked in.
  # ("fs" is the segment prefix, seen where data such as the constructor list sits in .text.)
  listing=$("$objdump" -d --no-show-raw-insn "$dll" | awk '
    /^[0-9a-f]+ <[^>]*>:$/ { name = $2; functions++; next }
    $1 ~ /^[0-9a-f]+:$/ && $2 ~ /^(f[a-z0-9]*|ldmxcsr|fxrstor|xrstor)$/ && $2 != "fs" { print name, $0 }
    END { print "functions", functions + 0 }')
  functions=$(printf '%s\n' "$listing" | sed -n 's/^functions //p')
  found=$(printf '%s\n' "$listing" | grep -v '^functions' || true)
  echo "functions in the disassembly: $functions"
  [ "${functions:-0}" -ge 10 ] || { echo "the library's functions were not found in the disassembly"; exit 1; }
  if [ -n "$found" ]; then
    echo "x87 instructions, or loads of the SSE control register, in the DLL:"
    printf '%s\n' "$found"
    exit 1
  fi
  echo "no x87 instruction and no load of the SSE control register in the DLL"
  ;;
realign)
  body=$("$objdump" -d --no-show-raw-insn "$dll" | awk '/^[0-9a-f]+ <_matrix>:$/ { on = 1; next } on && /^$/ { exit } on')
  [ -n "$body" ] || { echo "matrix not found in the disassembly"; exit 1; }
  printf '%s\n' "$body" | head -n 6
  printf '%s\n' "$body" | grep -q 'and[l]* *\$0xfffffff0,%esp' || { echo "matrix does not align its stack"; exit 1; }
  if printf '%s\n' "$body" | grep -q 'ret[l]* *\$'; then
    echo "matrix removes its own arguments: not cdecl"
    exit 1
  fi
  printf '%s\n' "$body" | grep -q 'ret' || { echo "no return found in matrix"; exit 1; }
  echo "matrix realigns its stack and returns with a plain ret"
  ;;
startup)
  shift 3
  [ $# -gt 0 ] || { echo "no object files given"; exit 2; }
  entry=$(printf '%s\n' "$headers" | awk '$1 == "AddressOfEntryPoint" { print $2 }')
  base=$(printf '%s\n' "$headers" | awk '$1 == "ImageBase" { print $2 }')
  dllmain=$("$objdump" -d "$dll" | sed -n 's/^\([0-9a-f]*\) <_DllMain@12>:$/\1/p')
  [ -n "$dllmain" ] || { echo "DllMain not found"; exit 1; }
  if [ $((0x$entry + 0x$base)) -ne $((0x$dllmain)) ]; then
    echo "the entry point (RVA $entry) is not DllMain ($dllmain): start-up code runs on load"
    exit 1
  fi
  echo "entry point: DllMain"
  tls=$(printf '%s\n' "$headers" | awk '/Thread Storage Directory/ { print $3 }')
  [ "$tls" = "00000000" ] || { echo "the DLL has a TLS directory (callbacks on thread start)"; exit 1; }
  nm="$(dirname "$objdump")/$(basename "$objdump" | sed 's/objdump$/nm/')"
  constructors=$(for object in "$@"; do "$nm" --defined-only "$object"; done | awk '$3 ~ /_GLOBAL__sub_I/ { print $3 }')
  sections=$(for object in "$@"; do "$objdump" -h "$object"; done | awk '$2 ~ /^\.(ctors|dtors|init_array|CRT)/ { print $2 }')
  if [ -n "$constructors$sections" ]; then
    echo "static initialization in the library (it would never run):" $constructors $sections
    exit 1
  fi
  echo "no TLS directory, no static constructors"
  ;;
runtime)
  shift 3
  [ $# -gt 0 ] || { echo "no object files given"; exit 2; }
  nm="$(dirname "$objdump")/$(basename "$objdump" | sed 's/objdump$/nm/')"
  defined=$(for object in "$@"; do "$nm" --defined-only "$object"; done | awk '{ print $3 }' | sort -u)
  used=$(for object in "$@"; do "$nm" -u "$object"; done | awk '{ print $2 }' | sort -u)
  outside=$(printf '%s\n' "$used" | grep -v -x -F "$defined" || true)
  echo "used from outside the library:" $outside
  # ___chkstk_ms: libgcc's stack probe for the kernels' stack tiles (frames beyond one page).
  allowed='^(__imp__(GetProcessHeap@0|HeapAlloc@12|HeapFree@12)|_memcpy|_memmove|_memset|___u?(div|mod)di3|___cpu_model|___cpu_features2|___cpu_indicator_init|___chkstk_ms)$'
  unexpected=$(printf '%s\n' "$outside" | grep -v -E "$allowed" || true)
  [ -z "$unexpected" ] || { echo "unexpected references:" $unexpected; exit 1; }
  ;;
*)
  echo "unknown check: $check"
  exit 2
  ;;
esac
