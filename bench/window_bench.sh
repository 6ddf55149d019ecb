#!/usr/bin/env bash
# The main window's speed and memory, on the offscreen platform:
# 1. the preview: from a click on a 24-megapixel photograph (6000 × 4000) to
#    its thumbnail and labels painted, median over 24 photographs, beside
#    djpeg decoding the same photographs at 1/8 of their size; then the same
#    clicks while the estimate of the picture before is computed, and the
#    time from a click to the estimated output size shown;
# 2. a folder of 5,000 pictures: from opening the window to the list filled
#    and the window painted, median of 9; a tree of 10,000 pictures with
#    "mit Unterordnern", listed in the background while the window repaints,
#    beside find listing it;
# 3. the run: the window on the batch benchmark's 24 photographs of 12
#    megapixels into the 1024 × 1280 box at quality 80, against
#    `vendrik-cli optimise` with the same settings file, in alternation
#    (ROUNDS times each, default 7, best wall time counts); the ratio of the
#    window's run (from the click on its start button to the run's end) to
#    vendrik-cli's wall time, the same for the window's whole process with
#    its start-up, the window's peak memory, and whether both wrote the
#    same bytes.
#
#   bash bench/window_bench.sh [ROUNDS]
source "$(dirname "$0")/lib.sh"
rounds="${1:-7}"
bench_build window_bench vendrik-cli
bench="$build/bench/window_bench"
export QT_QPA_PLATFORM=offscreen

photos12=$(bench_photos)
photos24=$(bench_photos "$root/bench/data/photos24mp" 6000x4000)
work=$(mktemp -d)
bench_remove_at_exit+=("$work")

echo "== 1. preview of $(ls "$photos24"/*.jpg | wc -l) photographs of $(identify -format '%w x %h' "$photos24/photo01.jpg")"
"$bench" preview "$photos24" | tee "$work/preview"
# The peer in the same run: libjpeg-turbo's djpeg decoding each photograph at
# 1/8 of its size, the floor any preview of it stands on (the window decodes
# at the same scale, then reads the EXIF summary, scales and paints).
for f in "$photos24"/*.jpg; do
  t0=$(date +%s%N)
  djpeg -scale 1/8 -outfile /dev/null "$f"
  echo $(( ($(date +%s%N) - t0) / 1000 ))
done | sort -n | awk '{ v[NR] = $1 } END { printf "%.1f\n", v[int(NR / 2) + 1] / 1000 }' >"$work/djpeg"
awk -v d="$(cat "$work/djpeg")" '/^preview:/ { m = $0; sub(/.*median /, "", m); sub(/ ms.*/, "", m);
  printf "djpeg -scale 1/8 (libjpeg-turbo), same photographs: median %.1f ms; window / djpeg: %.2f\n", d, m / d }' "$work/preview"

echo "== 2. a folder of 5,000 pictures"
mkdir "$work/5000"
for i in $(seq 10001 15000); do
  ln "$photos12/photo01.jpg" "$work/5000/bild$i.jpg" 2>/dev/null ||
    cp "$photos12/photo01.jpg" "$work/5000/bild$i.jpg"
done
"$bench" folder "$work/5000" 9

echo "== 2b. a tree of 10,000 pictures in 1,000 folders (\"mit Unterordnern\")"
for d in $(seq 100 1099); do
  mkdir -p "$work/baum/$((d / 100))/$d"
  for i in 1 2 3 4 5 6 7 8 9 10; do
    ln "$photos12/photo01.jpg" "$work/baum/$((d / 100))/$d/bild$i.jpg" 2>/dev/null ||
      cp "$photos12/photo01.jpg" "$work/baum/$((d / 100))/$d/bild$i.jpg"
  done
done
"$bench" tree "$work/baum" 9 | tee "$work/tree"
# The peer in the same run: find listing the same tree, sorted.
t0=$(date +%s%N)
find "$work/baum" -type f -iname '*.jpg' | sort >/dev/null
f=$(( ($(date +%s%N) - t0) / 1000 ))
awk -v f="$f" '/^tree:/ { match($0, /median [0-9.]+/); m = substr($0, RSTART + 7, RLENGTH - 7);
  printf "find | sort, same tree: %.1f ms; window / find: %.2f (target: window < 1000 ms)\n", f / 1000, m / (f / 1000) }' "$work/tree"

echo "== 3. the run: the window against vendrik-cli optimise, $(nproc) cores"
mkdir -p "$work/fenster" "$work/befehlszeile"
ini="$work/vendrik.ini"
cat >"$ini" <<EOF
[Tervane Vendrik]
Quelle=$photos12
LastSavePath=$work/fenster
Quality=80
Size=5
SamePath=0
Tag=
PreTags=5
OrigSize=0
manH=
manW=
optTag=1
chkAnfang=0
EOF
# "wall_seconds peak_kilobytes" of one command.
measure() {
  local t
  t=$(bench_time "$@") || { cat "$bench_tmp/stderr" >&2; exit 1; }
  set -- $t
  echo "$1 $3"
}
# The window's process includes starting Qt and the window (some 100 ms,
# a tenth of this run); the run itself is timed inside, from the click on
# the start button to its end, which is what a user waits for.
w="" c="" r1=""
for ((r = 1; r <= rounds; r++)); do
  rm -f "$work/fenster"/* "$work/befehlszeile"/*
  t=$(measure "$bench" run "$ini")
  w=$(least "$w" "$t")
  r1=$(least "$r1" "$(awk '/^run:/ { print $(NF - 1) }' "$bench_tmp/stderr")")
  t=$(measure "$cli" optimise --quiet --settings "$ini" --out "$work/befehlszeile" "$photos12")
  c=$(least "$c" "$t")
done
count=$(ls "$work/fenster" | wc -l)
same=yes
for f in "$work/fenster"/*; do
  cmp -s "$f" "$work/befehlszeile/$(basename "$f")" || same=no
done
printf '%-22s %10s %14s\n' "" "wall s" "peak memory"
awk -v w="$w" -v c="$c" -v r="$r1" 'BEGIN {
  split(w, a, " "); split(c, b, " ");
  printf "%-22s %10.3f %11.0f MB\n", "window (vendrik)", a[1], a[2] / 1024;
  printf "%-22s %10.3f\n", "  its run from start", r;
  printf "%-22s %10.3f %11.0f MB\n", "vendrik-cli optimise", b[1], b[2] / 1024;
  printf "window run / vendrik-cli: wall %.3f (target <= 1.10)\n", r / b[1];
  printf "window process with its start-up / vendrik-cli: wall %.3f\n", a[1] / b[1];
}'
echo "outputs: $count files from the window, byte-identical to vendrik-cli's: $same"
