#!/usr/bin/env bash
# The target-size benchmark: the 24 batch photographs into the 1024 × 1280
# box, once plainly at quality 80 and once with --max-size (default 150K), in
# alternation, ROUNDS times (default 7), best wall time each. Prints both
# times and their ratio (target <= 2); of the limited outputs how many are at
# most the limit (target: all); of those written at quality 80 how many are
# byte-identical to the plain run's (target: all); and of those that needed
# a lower quality how many lie within 15 % below the limit (target: at least
# 95 %).
#
#   bash bench/size_target_bench.sh [LIMIT] [ROUNDS]
source "$(dirname "$0")/lib.sh"
limit="${1:-150K}"
rounds="${2:-7}"
bench_build vendrik-cli
data=$(bench_photos)
out="$root/bench/out/size_target"
count=$(ls "$data"/*.jpg | wc -l)

# One run into a fresh folder; prints its wall time.
timed() {
  local name=$1 t
  shift
  bench_fresh "$out/$name"
  # Exit status 3: a picture did not fit even at quality 10 and was written
  # at 10, which the run reports but which is no failure here.
  t=$(bench_time "$cli" optimise --no-settings --size "1024 x 1280" --quality 80 --quiet \
    --out "$out/$name" "$@" "$data") || [ $? -eq 3 ]
  echo "${t%% *}"
}

plain="" limited=""
for ((r = 1; r <= rounds; r++)); do
  t=$(timed plain)
  plain=$(least "$plain" "$t")
  t=$(timed limited --max-size "$limit" --json)
  limited=$(least "$limited" "$t")
done
"$cli" optimise --no-settings --size "1024 x 1280" --quality 80 --quiet --dry-run \
  --max-size "$limit" --json "$data" >"$out/limited.jsonl" 2>/dev/null || true
bytes=$(awk -v l="$limit" 'BEGIN { n = l + 0; u = toupper(substr(l, length(l))); print (u == "M" ? n * 1048576 : n * 1024) }')

echo "$count photographs into 1024 x 1280, quality 80 against --max-size $limit ($bytes bytes), $(nproc) cores"
printf 'plain run:   %7.3f s\nwith limit:  %7.3f s\n' "$plain" "$limited"
awk -v a="$limited" -v b="$plain" 'BEGIN { printf "limit / plain: wall %.3f (target <= 2.0)\n", a / b }'
# Per picture: its quality under the limit, its size, and whether it is the
# plain run's file.
jq -r '[(.target | split("/") | last), .quality] | @tsv' "$out/limited.jsonl" |
  while IFS=$'\t' read -r name quality; do
    same=0
    cmp -s "$out/limited/$name" "$out/plain/$name" && same=1
    echo "$name $quality $(stat -c %s "$out/limited/$name") $same"
  done | awk -v max="$bytes" '
  { n++; if ($3 <= max) fit++
    if ($2 == 80) { at80++; same += $4 } else { lower++; if ($3 <= max && $3 >= 0.85 * max) near++ } }
  END {
    printf "outputs at most the limit: %d of %d\n", fit, n;
    printf "at quality 80, byte-identical to the plain run: %d of %d\n", same, at80;
    printf "at a lower quality, within 15 %% below the limit: %d of %d (%.0f %%, target >= 95 %%)\n",
      near, lower, lower ? 100 * near / lower : 100;
  }'
jq -r '.quality' "$out/limited.jsonl" | sort -n | uniq -c | awk '{ printf "%s at quality %s; ", $1, $2 } END { print "" }'
