#!/usr/bin/env bash
# Makes the batch benchmark's input: 24 photographs of 4000 × 3000 pixels
# (12 megapixels) from the wallpapers of Debian's plasma-workspace-wallpapers,
# each once as it is and once mirrored, written as quality-92 JPEGs into
# bench/data/photos12mp (git-ignored). Existing files are kept.
#
#   bash bench/make_photos.sh [OUTDIR [WIDTHxHEIGHT]]
# makes the same set at another size (the window's preview benchmark uses
# 6000x4000, 24 megapixels).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$root/bench/data/photos12mp}"
size="${2:-4000x3000}"
mkdir -p "$out"
# The real ImageMagick, not a stand-in that may shadow it on PATH.
convert=/usr/bin/convert
mapfile -t sources < <(ls /usr/share/wallpapers/*/contents/images/2560x1600.jpg | sort | head -12)
if [ "${#sources[@]}" -lt 12 ]; then
  echo "make_photos.sh: need 12 wallpapers (package plasma-workspace-wallpapers)" >&2
  exit 1
fi
i=0
for src in "${sources[@]}"; do
  for variant in plain mirrored; do
    i=$((i + 1))
    dest=$(printf '%s/photo%02d.jpg' "$out" "$i")
    [ -s "$dest" ] && continue
    extra=()
    [ "$variant" = mirrored ] && extra=(-flop)
    "$convert" "$src" "${extra[@]}" -resize "$size^" -gravity center -extent "$size" \
      -quality 92 "$dest"
  done
done
echo "$out"
