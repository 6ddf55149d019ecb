#!/usr/bin/env bash
# Renders the application icon's PNG sizes from vendrik.svg (rsvg-convert,
# Debian's librsvg2-bin). Run after changing the SVG and commit the PNGs;
# the packaging check compares them with a fresh rendering.
#   bash packaging/icons/render.sh [FOLDER]   (default: beside the SVG)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/vendrik.svg" -o "$out/vendrik-$size.png"
done
