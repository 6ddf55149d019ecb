#!/usr/bin/env bash
# Whether this checkout writes the same bytes as another build of
# vendrik-cli (an earlier release, say): the batch benchmark's photographs
# and their phone versions through `optimise` in many variants, plus
# `encode` and `watermark-preview`, each run once with REFERENCE and once
# with this checkout's vendrik-cli into folders of their own. Prints one line
# a variant with its files' count and "gleich" or "VERSCHIEDEN", then the
# sha256 of both lists; exits 1 when any variant differs.
#
#   bash bench/same_bytes.sh REFERENCE_VENDRIK_CLI [VARIANT...]
#
# Without VARIANT names every variant runs.
source "$(dirname "$0")/lib.sh"
reference=${1:?usage: same_bytes.sh REFERENCE_VENDRIK_CLI [VARIANT...]}
shift
bench_build vendrik-cli
plain=$(bench_photos)
phone=$(bench_phone_photos)
out="$root/bench/out/same_bytes"
rm -rf "$out"
mkdir -p "$out"

ini="$out/vendrik.ini"
printf '[Tervane Vendrik]\r\nQuality=72\r\nSize=3\r\nSamePath=0\r\nTag=klein\r\noptTag=2\r\nchkAnfang=1\r\nMetadaten=2\r\nNoEnlarge=1\r\n' >"$ini"

# name | source folder | options
variants=(
  "website|$plain|--preset Website"
  "email|$plain|--preset eMail -s 0"
  "normal|$plain|--preset Normal"
  "optimal|$plain|--preset Optimal -s 9"
  "own-size|$plain|--size 600x900 -Q 67"
  "original-size|$plain|--size original -Q 85"
  "not-enlarged|$plain|--no-enlarge -s 9 -Q 77"
  "watermark|$plain|--watermark --wm-text Vendrik\\nTest --wm-angle 33 --wm-opacity 60 --wm-color yellow --wm-size 50"
  "max-size|$plain|--max-size 150K"
  "max-size-444|$plain|--max-size 120K --sampling 444"
  "sampling-420|$plain|--sampling 420 -Q 85"
  "strip|$phone|--metadata strip"
  "keep|$phone|--metadata keep"
  "keep-no-gps|$phone|--metadata keep-no-gps"
  "keep-pixels|$phone|--keep-pixels -Q 90"
  "settings-file|$phone|--settings $ini"
)
chosen=("$@")

# Runs one build into its own folder; prints nothing, leaves the files.
run_optimise() {
  local cli=$1 folder=$2 source=$3 options=$4
  mkdir -p "$folder"
  # The options are split at blanks on purpose; "\n" in a watermark text is
  # the designer's own line break and stays as it is.
  # Every variant but the settings file's starts from the built-in defaults.
  local settings=--no-settings
  [[ "$options" == *--settings* ]] && settings=
  # shellcheck disable=SC2086
  "$cli" optimise --quiet $settings --out "$folder" $options "$source" >/dev/null 2>&1 ||
    [ $? -eq 3 ]
}

list_of() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }

differ=0
compare() {
  local name=$1 a b
  a=$(list_of "$out/$name/reference")
  b=$(list_of "$out/$name/ours")
  if [ -n "$a" ] && [ "$a" = "$b" ]; then
    printf '%-16s %3d Dateien  gleich\n' "$name" "$(echo "$a" | wc -l)"
  else
    printf '%-16s %3d Dateien  VERSCHIEDEN\n' "$name" "$(echo "$b" | grep -c . || true)"
    differ=1
  fi
  echo "$a" >>"$out/reference.sha256"
  echo "$b" >>"$out/ours.sha256"
}

wanted() {
  [ ${#chosen[@]} -eq 0 ] && return 0
  local c
  for c in "${chosen[@]}"; do [ "$c" = "$1" ] && return 0; done
  return 1
}

for v in "${variants[@]}"; do
  IFS='|' read -r name source options <<<"$v"
  wanted "$name" || continue
  run_optimise "$reference" "$out/$name/reference" "$source" "$options"
  run_optimise "$cli" "$out/$name/ours" "$source" "$options"
  compare "$name"
done

# encode: the photographs as PPM at a few qualities and samplings.
if wanted encode; then
  ppm="$out/ppm"
  mkdir -p "$ppm" "$out/encode/reference" "$out/encode/ours"
  for f in "$plain"/photo0[1-4].jpg; do
    /usr/bin/convert "$f" -resize 1280x1024 "$ppm/$(basename "$f" .jpg).ppm"
  done
  for f in "$ppm"/*.ppm; do
    for q in 30 75 95; do
      for s in 444 420 gray; do
        n="$(basename "$f" .ppm)-$q-$s.jpg"
        "$reference" encode "$f" "$out/encode/reference/$n" --quality "$q" --sampling "$s"
        "$cli" encode "$f" "$out/encode/ours/$n" --quality "$q" --sampling "$s"
      done
    done
  done
  compare encode
fi

# watermark-preview: the designer's picture at a few designs.
if wanted watermark-preview; then
  mkdir -p "$out/watermark-preview/reference" "$out/watermark-preview/ours"
  for a in 0 45 89; do
    for c in white red; do
      args=(--wm-text 'Zeile 1\nZeile 2' --wm-angle "$a" --wm-color "$c" --no-settings)
      "$reference" watermark-preview "$out/watermark-preview/reference/$a-$c.png" "${args[@]}"
      "$cli" watermark-preview "$out/watermark-preview/ours/$a-$c.png" "${args[@]}"
    done
  done
  compare watermark-preview
fi

echo "Referenz: $(sha256sum <"$out/reference.sha256" | cut -c1-16)  diese: $(sha256sum <"$out/ours.sha256" | cut -c1-16)"
exit "$differ"
