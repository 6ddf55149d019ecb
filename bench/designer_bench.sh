#!/usr/bin/env bash
# How fast the watermark designer redraws its preview: 200 redraws at the
# largest text size over a sweep of angles, median and worst, against the
# target of 8 ms a redraw. Release build with the windows.
#
# Usage: bench/designer_bench.sh
source "$(dirname "$0")/lib.sh"
bench_build designer_redraw_bench
QT_QPA_PLATFORM=offscreen "$build/bench/designer_redraw_bench"
