#!/usr/bin/env bash
# Writes the EXIF fixtures of the reader's tests into OUTDIR: small JPEGs into
# which exiftool, the photographers' reference tool, writes the tags a camera
# would, once in Intel (II) and once in Motorola (MM) byte order. Two sets of
# values: set-a.II.jpg, set-a.MM.jpg, set-b.II.jpg, set-b.MM.jpg.
set -euo pipefail
out=${1:?usage: make_fixtures.sh OUTDIR}
mkdir -p "$out"

# An 8 x 8 grey picture as the carrier; cjpeg makes a JFIF file of it.
{ printf 'P6\n8 8\n255\n'; head -c 192 /dev/zero | tr '\0' '\200'; } > "$out/carrier.ppm"
cjpeg -quality 75 "$out/carrier.ppm" > "$out/carrier.jpg"
rm "$out/carrier.ppm"

write_set() {
  local name=$1; shift
  for order in II MM; do
    cp "$out/carrier.jpg" "$out/$name.$order.jpg"
    exiftool -q -overwrite_original -ExifByteOrder=$order "$@" "$out/$name.$order.jpg"
  done
}

write_set set-a -Model="Vendrik Testkamera" -FNumber=2.8 -ExposureTime=1/125 \
  -ApertureValue=2.8 -ShutterSpeedValue=1/125 -ExposureCompensation=-1/3 \
  "-DateTimeOriginal=2005:06:15 12:34:56" -FocalLength=50 -ISO=200 -Orientation#=6 \
  "-MakerNoteUnknownText=Vendrik Herstellerdaten 0042"
write_set set-b -Model="EOS 300D DIGITAL" -FNumber=5.6 -ExposureTime=1/250 \
  -ApertureValue=5.6 -ShutterSpeedValue=1/250 -ExposureCompensation=+2/3 \
  "-DateTimeOriginal=2023:12:31 23:59:58" -FocalLength=35.4 -ISO=1600 -Orientation#=8 \
  "-MakerNoteUnknownText=Nikon maker note (c) 1.0" -XResolution=300 -YResolution=300
rm "$out/carrier.jpg"
