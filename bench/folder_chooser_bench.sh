#!/usr/bin/env bash
# How long the folder chooser takes to open a folder of 10,000 subfolders
# and 10,000 pictures, against `ls -1` on the same folder (see
# folder_chooser_bench.cpp).
#
# Usage: bench/folder_chooser_bench.sh [COUNT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-10000}
bash "$root/scripts/install-deps.sh" bench
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENDRIK_BENCH=ON \
  -DVENDRIK_GUI=ON -DVENDRIK_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target folder_chooser_bench >/dev/null

# In memory where the machine has it: a disk that discards freed blocks
# takes long to remove ten thousand folders again.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/vendrik-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/voll"
(cd "$work/voll" && seq -f 'ordner%05g' "$count" | xargs mkdir &&
  seq -f 'bild%05g.jpg' "$count" | xargs touch)
echo "Ordner mit $count Unterordnern und $count Bildern"
QT_QPA_PLATFORM=offscreen "$build/bench/folder_chooser_bench" "$work/voll"
