#!/bin/sh
# Checks of the built dorvane.dll, read with objdump:
#   check_dll.sh exports OBJDUMP DLL      one export, named matrix, undecorated
#   check_dll.sh imports OBJDUMP DLL      imports from KERNEL32 and the C runtime only
#   check_dll.sh sse2    OBJDUMP DLL OBJ...  no x87 instruction in the functions of the objects
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
  # The library's own functions: those defined in its object files (the remaining arguments).
  # The runtime's start-up code that the linker adds (its floating-point reset) is not.
  shift 3
  [ $# -gt 0 ] || { echo "no object files given"; exit 2; }
  nm="$(dirname "$objdump")/$(basename "$objdump" | sed 's/objdump$/nm/')"
  own=$(for object in "$@"; do "$nm" --defined-only "$object"; done | awk '$2 ~ /^[Tt]$/ { print $3 }' | sort -u)
  listing=$("$objdump" -d --no-show-raw-insn "$dll" | awk -v own="$own" '
    BEGIN { n = split(own, list, "\n"); for (i = 1; i <= n; i++) mine_names["<" list[i] ">:"] = 1 }
    /^[0-9a-f]+ <[^>]*>:$/ { mine = ($2 in mine_names); if (mine) functions++; next }
    mine && $2 ~ /^f[a-z0-9]*$/ { print $0 }
    END { print "functions", functions + 0 }')
  functions=$(printf '%s\n' "$listing" | sed -n 's/^functions //p')
  found=$(printf '%s\n' "$listing" | grep -v '^functions' || true)
  echo "library functions in the disassembly: $functions"
  [ "${functions:-0}" -ge 10 ] || { echo "the library's functions were not found in the disassembly"; exit 1; }
  if [ -n "$found" ]; then
    echo "x87 instructions in the library's code:"
    printf '%s\n' "$found"
    exit 1
  fi
  echo "no x87 instructions in the library's code"
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
runtime)
  shift 3
  [ $# -gt 0 ] || { echo "no object files given"; exit 2; }
  nm="$(dirname "$objdump")/$(basename "$objdump" | sed 's/objdump$/nm/')"
  defined=$(for object in "$@"; do "$nm" --defined-only "$object"; done | awk '{ print $3 }' | sort -u)
  used=$(for object in "$@"; do "$nm" -u "$object"; done | awk '{ print $2 }' | sort -u)
  outside=$(printf '%s\n' "$used" | grep -v -x -F "$defined" || true)
  echo "used from outside the library:" $outside
  allowed='^(__imp__(GetProcessHeap@0|HeapAlloc@12|HeapFree@12)|_memcpy|_memmove|_memset|___u?(div|mod)di3|___cpu_model|___cpu_features2|___cpu_indicators_init)$'
  unexpected=$(printf '%s\n' "$outside" | grep -v -E "$allowed" || true)
  [ -z "$unexpected" ] || { echo "unexpected references:" $unexpected; exit 1; }
  ;;
*)
  echo "unknown check: $check"
  exit 2
  ;;
esac
