#!/bin/sh
# compare_corpus.sh NATIVE_CORPUS DIR TARGET_COMMAND...
# Writes the corpus with the native program and with the target program (the command may start
# with an emulator), both into DIR, then compares the two files bit for bit.
set -eu
native="$1"
dir="$2"
shift 2
mkdir -p "$dir"
cd "$dir"
rm -f native.bin target.bin
"$native" write native.bin
"$@" write target.bin
"$native" compare native.bin target.bin
