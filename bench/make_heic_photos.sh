#!/usr/bin/env bash
# Makes the phone-format benchmark's input: the 24 batch photographs
# (bench/make_photos.sh) encoded as HEIC by Debian's heif-enc at quality 80,
# into bench/data/heic12mp (git-ignored). Existing files are kept. x265's
# fastest preset: its default takes minutes a photograph, and the benchmark
# measures decoding, which every preset's files need alike.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
photos=$(bash "$root/bench/make_photos.sh")
out="${1:-$root/bench/data/heic12mp}"
mkdir -p "$out"
for src in "$photos"/*.jpg; do
  dest="$out/$(basename "${src%.jpg}").heic"
  [ -s "$dest" ] || heif-enc -q 80 -p preset=ultrafast "$src" -o "$dest" >/dev/null
done
echo "$out"
