#!/usr/bin/env bash
# The comparison view "Vergleich", on the offscreen platform:
# 1. from a click on "Vergleich" to the source and the output painted, for
#    24-megapixel photographs (6000 × 4000) with the window's default
#    settings, beside the estimate's computation alone on the same pictures
#    (the reference: the comparison shows the output the estimate computed
#    for the clicked picture, decoded, beside the source decoded again);
#    then, the view left open, from a click on another picture to its
#    comparison (encoded by the comparison itself); then the same with the
#    pictures kept at their own size;
# 2. a drag of the divider: each step's repaint of the view at a typical
#    size, against the 16.7 ms of one frame at 60 Hz;
# 3. a screenshot of the main window with the comparison beside it, on an X
#    server of its own, into bench/out/compare.png, to look at.
#
#   bash bench/compare_bench.sh
source "$(dirname "$0")/lib.sh"
bench_build compare_bench
bench="$build/bench/compare_bench"
export QT_QPA_PLATFORM=offscreen

photos24=$(bench_photos "$root/bench/data/photos24mp" 6000x4000)

echo "== 1. click to shown, $(ls "$photos24"/*.jpg | wc -l) photographs of $(identify -format '%w x %h' "$photos24/photo01.jpg")"
"$bench" click "$photos24"
echo "   the same, the pictures at their own size"
"$bench" click "$photos24" original
echo "== 2. a drag of the divider"
"$bench" paint
echo "== 3. a screenshot"
mkdir -p "$root/bench/out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" \
  "$bench" shot "$photos24" "$root/bench/out/compare.png"
echo "written: bench/out/compare.png"
