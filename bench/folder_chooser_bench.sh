#!/usr/bin/env bash
# How long the folder chooser takes to open a folder of 10,000 subfolders
# and 10,000 pictures, against `ls -1` on the same folder (see
# folder_chooser_bench.cpp).
#
# Usage: bench/folder_chooser_bench.sh [COUNT]
source "$(dirname "$0")/lib.sh"
count=${1:-10000}
bench_build folder_chooser_bench

# In memory where the machine has it: a disk that discards freed blocks
# takes long to remove ten thousand folders again.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/vendrik-bench-XXXXXX")
bench_remove_at_exit+=("$work")
mkdir "$work/voll"
(cd "$work/voll" && seq -f 'ordner%05g' "$count" | xargs mkdir &&
  seq -f 'bild%05g.jpg' "$count" | xargs touch)
echo "Ordner mit $count Unterordnern und $count Bildern"
QT_QPA_PLATFORM=offscreen "$build/bench/folder_chooser_bench" "$work/voll"
