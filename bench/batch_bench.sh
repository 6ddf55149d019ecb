#!/usr/bin/env bash
# The batch benchmark: 24 photographs of 12 megapixels into the 1024 × 1280
# box (1280 wide, 1024 high) at JPEG quality 80, by `vendrik-cli optimise`,
# `vipsthumbnail` and ImageMagick's `mogrify` on the same folder in the same
# run, each using all cores as it does by default. Prints wall time, CPU time
# and total output bytes of each, and Vendrik's ratios to the peers. Vendrik
# and vipsthumbnail run ROUNDS times (default 7) in alternation and the best
# wall time of each counts; mogrify, far slower, runs once.
#
#   bash bench/batch_bench.sh [ROUNDS]
source "$(dirname "$0")/lib.sh"
rounds="${1:-7}"
bench_build vendrik-cli
data=$(bench_photos)
out="$root/bench/out/batch"
count=$(ls "$data"/*.jpg | wc -l)

run_vendrik() {
  bench_measure vendrik "$cli" optimise --size "1024 x 1280" --quality 80 --quiet \
    --out "$out/vendrik" "$data"
}
run_vips() {
  bench_measure vips vipsthumbnail --size 1280x1024 -o "$out/vips/%s.jpg[Q=80]" "$data"/*.jpg
}
run_mogrify() {
  bench_measure magick /usr/bin/mogrify -path "$out/magick" -resize 1280x1024 -quality 80 "$data"/*.jpg
}

v="" p=""
for ((r = 1; r <= rounds; r++)); do
  t=$(run_vendrik)
  v=$(least "$v" "$t")
  t=$(run_vips)
  p=$(least "$p" "$t")
done
m=$(run_mogrify)

echo "$count photographs of $(identify -format '%w x %h' "$data/photo01.jpg") into 1024 x 1280, quality 80, $(nproc) cores"
printf '%-14s %10s %10s %14s\n' tool "wall s" "CPU s" "output bytes"
for row in "vendrik-cli $v" "vipsthumbnail $p" "mogrify $m"; do
  set -- $row
  printf '%-14s %10.3f %10.3f %14s\n' "$1" "$2" "$3" "$4"
done
awk -v v="$v" -v p="$p" -v m="$m" 'BEGIN {
  split(v, a, " "); split(p, b, " "); split(m, c, " ");
  printf "vendrik / vipsthumbnail: wall %.3f, CPU %.3f, bytes %.3f\n", a[1] / b[1], a[2] / b[2], a[3] / b[3];
  printf "vendrik / mogrify:       wall %.3f, CPU %.3f, bytes %.3f\n", a[1] / c[1], a[2] / c[2], a[3] / c[3];
}'
