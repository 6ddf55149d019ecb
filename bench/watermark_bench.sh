#!/usr/bin/env bash
# Builds the benchmarks in Release mode and measures the watermark on a
# photograph enlarged to 4000 × 3000 pixels against encoding that picture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" bench
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENDRIK_BENCH=ON \
  -DVENDRIK_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target watermark_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=$(ls /usr/share/wallpapers/*/contents/images/2560x1600.jpg | head -n 1)
convert "$photo" -resize '4000x3000!' "$work/picture.ppm"
"$build/bench/watermark_bench" "$work/picture.ppm"
