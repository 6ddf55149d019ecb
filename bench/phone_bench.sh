#!/usr/bin/env bash
# The phone-format benchmark: 24 HEIC photographs of 12 megapixels into the
# 1024 × 1280 box (1280 wide, 1024 high) at quality 80, by
# `vendrik-cli optimise` and by `vipsthumbnail` (libvips reads HEIC through
# the same libheif) on the same files in the same run, each using all cores
# as it does by default, ROUNDS times (default 7) in alternation, best wall
# time each. Prints wall time, CPU time, output bytes and the ratios.
#
#   bash bench/phone_bench.sh [ROUNDS]
source "$(dirname "$0")/lib.sh"
rounds="${1:-7}"
bench_build vendrik-cli
data=$(bash "$root/bench/make_heic_photos.sh")
out="$root/bench/out/phone"
count=$(ls "$data"/*.heic | wc -l)
if ! vipsheader "$data/photo01.heic" >/dev/null 2>&1; then
  echo "phone_bench.sh: this vipsthumbnail cannot read HEIC" >&2
  exit 1
fi

v="" p=""
for ((r = 1; r <= rounds; r++)); do
  t=$(bench_measure vendrik "$cli" optimise --no-settings --size "1024 x 1280" \
    --quality 80 --quiet --out "$out/vendrik" "$data")
  v=$(least "$v" "$t")
  t=$(bench_measure vips vipsthumbnail --size 1280x1024 -o "$out/vips/%s.jpg[Q=80]" "$data"/*.heic)
  p=$(least "$p" "$t")
done

echo "$count HEIC photographs of $(vipsheader -f width "$data/photo01.heic") x $(vipsheader -f height "$data/photo01.heic") into 1024 x 1280, quality 80, $(nproc) cores"
printf '%-14s %10s %10s %14s\n' tool "wall s" "CPU s" "output bytes"
for row in "vendrik-cli $v" "vipsthumbnail $p"; do
  set -- $row
  printf '%-14s %10.3f %10.3f %14s\n' "$1" "$2" "$3" "$4"
done
awk -v v="$v" -v p="$p" 'BEGIN {
  split(v, a, " "); split(p, b, " ");
  printf "vendrik / vipsthumbnail: wall %.3f (target <= 1.0), CPU %.3f, bytes %.3f\n",
    a[1] / b[1], a[2] / b[2], a[3] / b[3];
}'
