#!/usr/bin/env bash
# Encoder benchmark: vendrik-cli encode against cjpeg (libjpeg-turbo) on the
# same 12-megapixel photograph, run in alternation so both see the same
# machine. Prints megapixels per second (median of the runs), the ratio, both
# file sizes and both PSNRs against the source, at 4:4:4 and 4:2:0.
#
# Usage: bench/encode_bench.sh [RUNS] [QUALITY]
source "$(dirname "$0")/lib.sh"
runs=${1:-7}
quality=${2:-80}
bench_build vendrik-cli
input=$(bash "$root/bench/make_inputs.sh" 1 | head -n 1)
out="$root/bench/out"
mkdir -p "$out"
read -r width height < <(identify -format '%w %h\n' "$input")
mpix=$(awk -v w="$width" -v h="$height" 'BEGIN { printf "%.3f", w * h / 1e6 }')

# Wall seconds of one run of the command given, to the nanosecond.
seconds() {
  local t
  t=$(bench_time "$@")
  echo "${t%% *}"
}
psnr() { compare -metric PSNR "$input" "$1" null: 2>&1 || true; }

echo "input: $input (${width} x ${height}, ${mpix} MP), quality $quality, $runs runs each"
printf '%-6s %12s %12s %7s %11s %11s %9s %9s\n' mode "vendrik MP/s" "cjpeg MP/s" ratio \
  "vendrik B" "cjpeg B" "PSNR v" "PSNR c"
for mode in 444 420; do
  case $mode in
    444) sample=1x1 ;;
    420) sample=2x2 ;;
  esac
  ours="$out/vendrik-$mode.jpg"
  theirs="$out/cjpeg-$mode.jpg"
  : >"$out/t-ours"
  : >"$out/t-theirs"
  for ((i = 0; i < runs; i++)); do
    rm -f "$ours"
    seconds "$cli" encode "$input" "$ours" --quality "$quality" --sampling "$mode" >>"$out/t-ours"
    seconds sh -c "cjpeg -quality $quality -optimize -dct float -sample $sample \
      '$input' > '$theirs'" >>"$out/t-theirs"
  done
  to=$(median <"$out/t-ours")
  tt=$(median <"$out/t-theirs")
  awk -v m="$mode" -v mp="$mpix" -v a="$to" -v b="$tt" -v so="$(stat -c %s "$ours")" \
    -v st="$(stat -c %s "$theirs")" -v po="$(psnr "$ours")" -v pt="$(psnr "$theirs")" \
    'BEGIN { printf "%-6s %12.1f %12.1f %6.2fx %11d %11d %9.3f %9.3f\n",
             m, mp / a, mp / b, b / a, so, st, po, pt }'
done
