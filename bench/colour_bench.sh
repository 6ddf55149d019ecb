#!/usr/bin/env bash
# What colour management and kept metadata cost. The batch benchmark's 24
# photographs of 12 megapixels (make_photos.sh) as they are, and the same
# pixels made into phone photographs: a Display P3 profile, EXIF with camera,
# date and GPS, a thumbnail, and XMP and IPTC with place names. All into the
# 1024 × 1280 box at quality 80 with all cores, in the same run:
#
#   untagged   the plain photographs (no profile), metadata stripped
#   p3         the phone photographs, converted to sRGB, metadata stripped
#   p3 keep    the phone photographs, converted, --metadata keep
#
# Each runs ROUNDS times (default 7) in turn and the best wall time counts.
# Prints the ratios p3 / untagged (the cost of the conversion, target at most
# 1.15) and keep / strip (the cost of keeping metadata, target at most 1.05).
#
#   bash bench/colour_bench.sh [ROUNDS]
source "$(dirname "$0")/lib.sh"
rounds="${1:-7}"
bench_build vendrik-cli
plain=$(bench_photos)
phone=$(bench_phone_photos)
out="$root/bench/out/colour"
count=$(ls "$plain"/*.jpg | wc -l)

# Runs one case into a fresh folder; prints its wall time.
measure() {
  local name=$1 t
  shift
  bench_fresh "$out/$name"
  t=$(bench_time "$cli" optimise --size "1024 x 1280" --quality 80 --quiet --no-settings \
    --out "$out/$name" "$@")
  bench_expect "$out/$name" "$count"
  echo "${t%% *}"
}

# The cases take turns, so that a change in the machine's load falls on all
# of them alike.
untagged="" p3="" keep=""
for ((r = 1; r <= rounds; r++)); do
  t=$(measure untagged "$plain")
  untagged=$(least "$untagged" "$t")
  t=$(measure p3 "$phone")
  p3=$(least "$p3" "$t")
  t=$(measure p3-keep --metadata keep "$phone")
  keep=$(least "$keep" "$t")
done

echo "$count photographs of 12 megapixels into 1024 x 1280, quality 80, $(nproc) cores, best of $rounds"
printf '%-34s %8s\n' case "wall s"
printf '%-34s %8.3f\n' "untagged, metadata stripped" "$untagged" \
  "Display P3 to sRGB, stripped" "$p3" "Display P3 to sRGB, --metadata keep" "$keep"
awk -v u="$untagged" -v p="$p3" -v k="$keep" 'BEGIN {
  printf "P3 / untagged (conversion):   %.3f (target <= 1.15)\n", p / u;
  printf "keep / strip (metadata):      %.3f (target <= 1.05)\n", k / p;
}'
exiftool -s -s -s -Orientation -GPSLatitude -ColorSpace -ThumbnailLength "$out/p3-keep/photo01_new.jpg" |
  paste -sd' ' | sed 's/^/kept in photo01: /'
