#!/usr/bin/env bash
# Writes the seed corpus of one fuzz target into a folder, made from the test
# suites' own picture makers and Debian's profiles, nothing kept in the
# repository:
#   bash tools/fuzz/make_seeds.sh TARGET FOLDER
# TARGET is exif, loader, icc, metadata, settings, options or files_from.
# Targets whose input starts with a choice byte get each seed with a few
# choices in front.
set -euo pipefail
target=$1
out=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
python=/usr/bin/python3
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Each file of $1 (a folder) into the corpus once for each choice byte given.
with_choices() {
  local folder=$1
  shift
  local f c
  for f in "$folder"/*; do
    [ -f "$f" ] || continue
    for c in "$@"; do
      { printf "\\x$(printf %02x "$c")"; cat "$f"; } >"$out/$c-$(basename "$f")"
    done
  done
}

case "$target" in
  exif)
    "$python" "$root/tools/fuzz/make_exif_seeds.py" "$out"
    # Real cameras' layout, as exiftool writes it, when exiftool is there.
    if command -v exiftool >/dev/null && command -v cjpeg >/dev/null; then
      bash "$root/tests/exif/make_fixtures.sh" "$out" >/dev/null
    fi
    ;;
  loader)
    mkdir "$scratch/pictures" "$scratch/colour" "$scratch/phone"
    "$python" "$root/tests/imaging/make_test_pictures.py" "$scratch/pictures" >/dev/null
    "$python" "$root/tests/imaging/make_colour_pictures.py" "$scratch/colour" 24 16
    (bash "$root/tests/imaging/make_phone_pictures.sh" "$scratch/phone" >/dev/null 2>&1) || true
    rm -f "$scratch"/*/*.ref.* "$scratch"/*/*.icc "$scratch/phone/scene.png"
    # The encoder's own input format, grey and colour.
    printf 'P5\n3 2\n255\n\x00\x40\x80\xc0\xff\x10' >"$scratch/pictures/grey.pgm"
    printf 'P6\n2 2\n255\n\xff\x00\x00\x00\xff\x00\x00\x00\xff\x80\x80\x80' >"$scratch/pictures/rgb.ppm"
    # Options: colours converted at once, after scaling, not at all; fitted
    # into a box; through the scaling routine.
    with_choices "$scratch/pictures" 1 15
    with_choices "$scratch/colour" 1 3 12
    with_choices "$scratch/phone" 1 13
    ;;
  icc)
    mkdir "$scratch/profiles" "$scratch/colour"
    "$python" "$root/tests/imaging/make_colour_pictures.py" "$scratch/colour" 8 8
    cp "$scratch"/colour/*.icc "$scratch/profiles/"
    for p in sRGB.icc Gray.icc compatibleWithAdobeRGB1998.icc LStar-RGB.icc ITULab.icc \
             ghostscript/default_cmyk.icc ghostscript/default_gray.icc; do
      [ -f "/usr/share/color/icc/$p" ] && cp "/usr/share/color/icc/$p" "$scratch/profiles/"
    done
    # Grey and colour pictures; one to four chunks.
    with_choices "$scratch/profiles" 0 1 6 13
    ;;
  metadata)
    mkdir "$scratch/pictures"
    "$python" "$root/tests/optimiser/make_location_pictures.py" "$scratch/pictures"
    rm -f "$scratch/pictures"/*.xmp "$scratch/pictures/location-plain.png"
    # Keep, keep without location (colours converted or not).
    with_choices "$scratch/pictures" 1 2 130
    ;;
  settings)
    # A settings file as the windows write it (Windows-1252, CR LF), one
    # with a watermark design, and a hand-edited one.
    printf '[Tervane Vendrik]\r\nQuelle=/home/erika/Bilder\r\nLastSavePath=/tmp/klein\r\nQuality=80\r\nSize=5\r\nSamePath=0\r\nTag=mini\r\nPreTags=5\r\nOrigSize=0\r\nmanH=1280\r\nmanW=1024\r\noptTag=1\r\nchkAnfang=0\r\nMetadaten=2\r\nNoEnlarge=1\r\nMaxSize=150\r\nFirstRun=0\r\n' >"$out/window.ini"
    printf '[Tervane Vendrik]\r\nAngle=45\r\nAlpha=60\r\nWSize=3\r\nHPos=1\r\nVPos=2\r\nInfo=\xa7 2024 Erika\xa7Zeile 2\r\nColor=16777215\r\nHPosN=10\r\nVPosN=20\r\nAngleN=45\r\n' >"$out/designer.ini"
    printf '; von Hand\n[andere]\nQuality=10\n[tervane vendrik]\n  quality = "95" \nSize=99999\nTag=\x27x\x27\n[Tervane Vendrik]\nQuality=40\n' >"$out/edited.ini"
    # Own presets as the window writes them, and hostile ones: a name with
    # an escaped "]" and line break, one cut by a "]", absurd values, a
    # duplicate in another case.
    printf '[Tervane Vendrik]\r\nQuality=80\r\n[Voreinstellung: Web%%5D 50%%25]\r\nSize=2\r\nQuality=60\r\nAbtastung=2\r\nWasserzeichen=1\r\nFormat=1\r\nHochWieQuer=1\r\nInfo=\xa7 Erika\r\n[Voreinstellung: a%%0Ab]\r\nQuality=70\r\n[Voreinstellung: x]y]\r\nQuality=99999\r\nSize=-3\r\nMetadaten=zwei\r\n[voreinstellung: WEB%%5d 50%%25]\r\nQuality=41\r\n' >"$out/presets.ini"
    ;;
  options)
    # Command lines of the manual's examples, words apart by NUL; the first
    # byte picks optimise (0), watermark-preview (1) or the shapes (2).
    word_lines=(
      '0|-s|2|-Q80|-rn|-o|/tmp/klein|Bilder'
      '0|--size|1024 x 1280|--quality=80|--max-size|1.5M|--files-from|-|--json|-q'
      '0|--watermark|--wm-text|Zeile 1\nZeile 2|--wm-angle|89|--no-settings|-j4|--|-x.jpg'
      '0|--metadata|keep-no-gps|--keep-pixels|--no-enlarge|--tag-first|--dry-run|-'
      '1|--wm-text|-- privat --|--wm-alpha|60|--settings|v.ini|vorschau.png'
      '2|-ag|--alph=x|--beta|5|-b7|--|--alpha|a'
      '2|--alp|-bfail|--gamma=1'
    )
    i=0
    for line in "${word_lines[@]}"; do
      IFS='|' read -r -a words <<<"$line"
      {
        printf "\\x$(printf %02x "${words[0]}")"
        for w in "${words[@]:1}"; do printf '%s\0' "$w"; done
      } >"$out/line-$i"
      i=$((i + 1))
    done
    ;;
  files_from)
    printf '\x07a.jpg\nb c.png\r\n\nd/e.heic' >"$out/lines"
    printf '\x01a.jpg\0b\nc.png\0\0tail' >"$out/nul"
    { printf '\x40'; head -c 4090 /dev/zero | tr '\0' y; printf '\nz.jpg\n'; } >"$out/long-line"
    printf '\x02\0\0\0\0' >"$out/zeros"
    ;;
  *)
    echo "make_seeds: unknown target $target" >&2
    exit 2
    ;;
esac
