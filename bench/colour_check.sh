#!/usr/bin/env bash
# Checks Vendrik's colour conversion against ImageMagick's on a photograph
# tagged as Display P3 (the pixels of a Debian wallpaper with a P3 profile):
#
#   converted   vendrik-cli optimise of the P3 photograph
#   stored      the same with --keep-pixels (the P3 values taken as sRGB)
#   reference   ImageMagick's `-profile sRGB.icc` conversion of the same
#               photograph, then vendrik-cli optimise of that, so that both
#               are scaled and encoded the same way and only the conversion
#               differs (the reference is a quality-100 JPEG, decoded
#               the same way)
#
# Prints mean CIEDE2000 and PSNR of converted and of stored against the
# reference, at the photograph's own size and in the 1024 x 1280 box.
#
#   bash bench/colour_check.sh [VENDRIK-CLI]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="${1:-$root/build/bench/apps/vendrik-cli}"
work="$root/bench/out/colour-check"
rm -rf "$work"
mkdir -p "$work/profile"
/usr/bin/python3 "$root/tests/imaging/make_colour_pictures.py" "$work/profile" >/dev/null
src=$(ls /usr/share/wallpapers/*/contents/images/2560x1600.jpg | sort | head -1)
cp "$src" "$work/photo.jpg"
exiftool -q -overwrite_original "-ICC_Profile<=$work/profile/display-p3.icc" "$work/photo.jpg"
# A JPEG too (quality 100, full colour resolution), so that Vendrik's loader
# takes the same road for it (libjpeg's reduced-size decoding into a box).
/usr/bin/convert "$work/photo.jpg" -profile /usr/share/color/icc/sRGB.icc -strip -quality 100 \
  -sampling-factor 1x1 "$work/reference.jpg"

run() {  # name, size, extra options..., source
  local name=$1 size=$2
  shift 2
  mkdir -p "$work/$name"
  "$cli" optimise --no-settings --quiet --quality 95 --size "$size" --tag x --out "$work/$name" "$@"
}
for size in original "1024 x 1280"; do
  key=${size// /}
  run "converted-$key" "$size" "$work/photo.jpg"
  run "stored-$key" "$size" --keep-pixels "$work/photo.jpg"
  run "reference-$key" "$size" "$work/reference.jpg"
  ref=$(ls "$work/reference-$key"/*.jpg)
  echo "size $size:"
  printf '  converted vs ImageMagick: '
  /usr/bin/python3 "$root/bench/colour_compare.py" "$(ls "$work/converted-$key"/*.jpg)" "$ref" 2
  printf '  stored    vs ImageMagick: '
  /usr/bin/python3 "$root/bench/colour_compare.py" "$(ls "$work/stored-$key"/*.jpg)" "$ref" 2
done
