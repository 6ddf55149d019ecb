#!/usr/bin/env bash
# The lossless benchmark: the 24 batch photographs rewritten by
# `vendrik-cli optimise --lossless` and by `jpegtran -optimize -copy none`
# (libjpeg-turbo's own lossless rewriter, one process per file as a script
# would call it), both on one core and in alternation, ROUNDS times (default
# 5), best wall time each. Checks that every output of ours decodes (djpeg)
# to exactly its source's pixels and is no larger than its source, and
# prints the mean saving of both against the sources, our bytes against
# jpegtran's (target: within 0.5 %) and the time ratio (target <= 1).
#
#   bash bench/lossless_bench.sh [ROUNDS]
source "$(dirname "$0")/lib.sh"
rounds="${1:-5}"
bench_build vendrik-cli
data=$(bench_photos)
out="$root/bench/out/lossless"
count=$(ls "$data"/*.jpg | wc -l)

ours_run() {
  bench_fresh "$out/ours"
  bench_time "$cli" optimise --no-settings --lossless --jobs 1 --quiet --out "$out/ours" "$data"
}
jpegtran_run() {
  bench_fresh "$out/jpegtran"
  bench_time bash -c 'for f in "$1"/*.jpg; do
      jpegtran -optimize -copy none -outfile "$2/$(basename "$f")" "$f"; done' _ "$data" \
    "$out/jpegtran"
}

ours="" theirs=""
for ((r = 1; r <= rounds; r++)); do
  ours=$(least "$ours" "$(ours_run)")
  theirs=$(least "$theirs" "$(jpegtran_run)")
done
bench_expect "$out/ours" "$count"
bench_expect "$out/jpegtran" "$count"

same=0 notLarger=0
for f in "$data"/*.jpg; do
  name=$(basename "$f" .jpg)
  mine="$out/ours/${name}_new.jpg"
  if cmp -s <(djpeg -ppm "$f") <(djpeg -ppm "$mine"); then
    same=$((same + 1))
  else
    echo "VERSCHIEDEN: $name" >&2
  fi
  if [ "$(stat -c %s "$mine")" -le "$(stat -c %s "$f")" ]; then
    notLarger=$((notLarger + 1))
  fi
done

sources=$(cat "$data"/*.jpg | wc -c)
mine=$(cat "$out/ours"/*.jpg | wc -c)
peer=$(cat "$out/jpegtran"/*.jpg | wc -c)
echo "$count photographs, lossless rewrite on one core against jpegtran -optimize -copy none"
echo "decoded pixels equal to the source's: $same of $count"
echo "outputs no larger than their source:  $notLarger of $count"
awk -v s="$sources" -v m="$mine" -v p="$peer" 'BEGIN {
  printf "saving against the sources: Vendrik %.2f %%, jpegtran %.2f %%\n", 100 * (1 - m / s), 100 * (1 - p / s);
  printf "bytes Vendrik / jpegtran: %.4f (target <= 1.005)\n", m / p }'
printf 'wall: Vendrik %.3f s, jpegtran %.3f s\n' "${ours%% *}" "${theirs%% *}"
awk -v a="${ours%% *}" -v b="${theirs%% *}" 'BEGIN { printf "time Vendrik / jpegtran: %.3f (target <= 1.0)\n", a / b }'
