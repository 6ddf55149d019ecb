#!/usr/bin/env bash
# Builds the benchmarks in Release mode and measures the watermark on a
# 12-megapixel photograph (bench/make_inputs.sh) against encoding it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" bench
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENDRIK_BENCH=ON \
  -DVENDRIK_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target watermark_bench >/dev/null
input=$(bash "$root/bench/make_inputs.sh" 1 | head -n 1)
"$build/bench/watermark_bench" "$input"
