#!/usr/bin/env bash
# Makes the benchmark inputs: 12-megapixel (4000 × 3000) photographs built
# from Debian's plasma-workspace-wallpapers (2560 × 1600 photographs). Each is
# mirrored into a 2 × 2 mosaic and cut at an offset that is not a multiple of
# 8: the wallpapers are JPEGs themselves, and a cut on their 8 × 8 block grid
# would let an encoder with the same tables reproduce the old blocks almost
# losslessly, which says nothing about photographs.
#
# Usage: bench/make_inputs.sh [COUNT]   → bench/data/photo-N.ppm
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-1}
out="$root/bench/data"
mkdir -p "$out"
mapfile -t sources < <(ls /usr/share/wallpapers/*/contents/images/2560x1600.jpg 2>/dev/null | sort)
if [ ${#sources[@]} -eq 0 ]; then
  echo "no wallpapers found: run scripts/install-deps.sh bench" >&2
  exit 1
fi
for ((i = 0; i < count; i++)); do
  src=${sources[$((i % ${#sources[@]}))]}
  dst="$out/photo-$i.ppm"
  [ -s "$dst" ] && continue
  convert "$src" \( +clone -flop \) +append \( +clone -flip \) -append \
    -crop 4000x3000+3+5 +repage -depth 8 "$dst"
done
ls "$out"/photo-*.ppm | head -n "$count"
