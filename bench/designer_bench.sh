#!/usr/bin/env bash
# How fast the watermark designer redraws its preview: 200 redraws at the
# largest text size over a sweep of angles, median and worst, against the
# target of 8 ms a redraw. Release build with the windows.
#
# Usage: bench/designer_bench.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" build
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENDRIK_BENCH=ON \
  -DVENDRIK_GUI=ON -DVENDRIK_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target designer_redraw_bench >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/designer_redraw_bench"
