#!/usr/bin/env bash
# What the watermark costs. First the compositing alone on a 12-megapixel
# photograph (bench/make_inputs.sh) against encoding it; then whole runs of
# `vendrik-cli optimise --size original` on that photograph as a JPEG, with
# and without --watermark, in alternation, comparing median CPU times.
#
# Usage: bench/watermark_bench.sh [RUNS]
source "$(dirname "$0")/lib.sh"
runs=${1:-9}
bench_build watermark_bench vendrik-cli
input=$(bash "$root/bench/make_inputs.sh" 1 | head -n 1)
"$build/bench/watermark_bench" "$input"

work="$bench_tmp/work"
mkdir "$work"
cjpeg -quality 90 "$input" >"$work/photo.jpg"
mkdir "$work/plain" "$work/marked"
# CPU seconds (user + system) of one run.
cpu() {
  local t
  t=$(bench_time "$@")
  set -- $t
  echo "$2"
}
plain=()
marked=()
for ((i = 0; i < runs; i++)); do
  plain+=("$(cpu "$cli" optimise --quiet --jobs 1 --size original --out "$work/plain" "$work/photo.jpg")")
  marked+=("$(cpu "$cli" optimise --quiet --jobs 1 --size original --watermark \
    --out "$work/marked" "$work/photo.jpg")")
done
p=$(printf '%s\n' "${plain[@]}" | median)
m=$(printf '%s\n' "${marked[@]}" | median)
echo "Lauf ohne Wasserzeichen: $p s CPU-Zeit (Median aus $runs)"
echo "Lauf mit Wasserzeichen:  $m s CPU-Zeit (Median aus $runs)"
awk -v p="$p" -v m="$m" 'BEGIN { printf "Das Wasserzeichen kostet %.1f %% des Laufs ohne.\n", 100 * (m - p) / p }'
