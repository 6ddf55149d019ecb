#!/usr/bin/env bash
# Compression benchmark: how many bytes Vendrik's strong compression needs
# for the same perceived quality as its peers, and what it costs in time.
#
# Pictures: the first PICTURES (default 8) different batch photographs
# fitted into 1280 × 1024, as the "Website" and "eMail" presets write them.
# Each is encoded over a sweep of qualities by
#   cjpeg420, cjpeg444   libjpeg-turbo's cjpeg -optimize at 4:2:0 and 4:4:4
#   mozjpeg              npm @jsquash/jpeg 1.6 (mozjpeg's WebAssembly build,
#                        its default options), run with node 20
#   strong420, strong444 vendrik-cli encode --compression strong (the mode
#                        writes 4:2:0 below quality 90 where no sampling is
#                        chosen, 4:4:4 from 90)
# and every file is decoded with djpeg and scored against the picture before
# encoding with SSIMULACRA (ssimulacra_main) and butteraugli, both lower is
# better. The targets are the scores cjpeg420 reaches at quality 70 and 85;
# an encoder's bytes at a target come from log-linear interpolation between
# the two qualities of its sweep that bracket it. Printed: the geometric
# mean over the pictures of bytes(strong) / bytes(peer) for each target.
#
# Speed, in the same run: vendrik-cli encode --compression strong against
# cjpeg -optimize -progressive on one 1280 × 1024 picture, in alternation,
# best of ROUNDS (default 7); and a batch of the photographs into 1280 × 1024
# with optimise --compression strong against the same batch without it.
#
#   bash bench/compression_bench.sh [PICTURES [ROUNDS]]
#
# COMPRESSION_BENCH_REUSE=1 keeps the peers' files and scores of the last run
# (for trying changes of our encoder; a reported figure comes from a fresh
# run), COMPRESSION_BENCH_OURS="strong444" limits our sweeps, and
# COMPRESSION_BENCH_SPEED=0 skips the speed measurements.
source "$(dirname "$0")/lib.sh"
pictures=${1:-8}
rounds=${2:-7}
bench_build vendrik-cli
data=$(bench_photos)
out="$root/bench/out/compression"
jsquash="$root/bench/data/jsquash"
mkdir -p "$out" "$jsquash"

# --- the peers from npm: @jsquash/jpeg 1.6 and, where the system's node is
# not 20, node 20 itself (the npm package "node" ships the binary).
if [ ! -f "$jsquash/node_modules/@jsquash/jpeg/package.json" ] ||
  ! grep -q '"version": "1\.6\.' "$jsquash/node_modules/@jsquash/jpeg/package.json"; then
  npm install --prefix "$jsquash" --no-save --no-audit --no-fund @jsquash/jpeg@1.6 >/dev/null
fi
node=node
if ! node --version 2>/dev/null | grep -q '^v20\.'; then
  [ -x "$jsquash/node_modules/.bin/node" ] ||
    npm install --prefix "$jsquash" --no-save --no-audit --no-fund node@20 >/dev/null
  node="$jsquash/node_modules/.bin/node"
fi
export JSQUASH_HOME="$jsquash"

reuse=${COMPRESSION_BENCH_REUSE:-0}
peers=(cjpeg420 cjpeg444 mozjpeg)
read -r -a ours <<<"${COMPRESSION_BENCH_OURS:-strong420 strong444}"
# cjpeg420 sets the targets: its own bytes there are those at 70 and 85.
qualities_of() {
  case $1 in
    cjpeg420) echo 70 85 ;;
    *) echo ${COMPRESSION_BENCH_QUALITIES:-40 50 60 70 78 85 90 95} ;;
  esac
}

# --- the pictures: photo01, photo03, …
bench_sweep_photos "$data" "$pictures"
for photo in "${photos[@]}"; do
  name=$(basename "$photo" .jpg)
  dir="$out/$name"
  if [ "$reuse" = 1 ] && [ -s "$dir/source.png" ]; then
    rm -f "$dir"/strong*
    continue
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  /usr/bin/convert "$photo" -resize 1280x1024 -depth 8 "$dir/source.ppm"
  /usr/bin/convert "$dir/source.ppm" "$dir/source.png"
done

# --- encode every picture at every quality of every encoder
encode_all() {
  local dir=$1 q e
  for e in "${ours[@]}"; do
    for q in $(qualities_of "$e"); do
      "$cli" encode --compression strong --sampling "${e#strong}" --quality "$q" \
        "$dir/source.ppm" "$dir/$e-$q.jpg"
    done
  done
  [ -e "$dir/cjpeg420-70.jpg" ] && return
  for q in $(qualities_of cjpeg420); do
    cjpeg -quality "$q" -optimize -sample 2x2 -outfile "$dir/cjpeg420-$q.jpg" "$dir/source.ppm"
  done
  for q in $(qualities_of cjpeg444); do
    cjpeg -quality "$q" -optimize -sample 1x1 -outfile "$dir/cjpeg444-$q.jpg" "$dir/source.ppm"
  done
  # shellcheck disable=SC2046
  "$node" "$root/bench/mozjpeg_encode.mjs" "$dir/source.ppm" "$dir/mozjpeg-" $(qualities_of mozjpeg)
}
for photo in "${photos[@]}"; do
  encode_all "$out/$(basename "$photo" .jpg)"
done

# --- score every file: bytes, SSIMULACRA, butteraugli (two at a time per core)
score() {
  local jpg=$1 dir ppm
  dir=$(dirname "$jpg")
  ppm="${jpg%.jpg}.ppm"
  djpeg -pnm -outfile "$ppm" "$jpg"
  printf '%s %s %s\n' "$(stat -c %s "$jpg")" \
    "$(ssimulacra_main "$dir/source.ppm" "$ppm" 2>/dev/null | tail -n 1)" \
    "$(butteraugli "$dir/source.png" "$jpg" | tail -n 1)" >"${jpg%.jpg}.score"
  rm -f "$ppm"
}
export -f score
for f in "$out"/*/*.jpg; do
  [ -s "${f%.jpg}.score" ] || echo "$f"
done | xargs -P "$((2 * $(nproc)))" -I{} bash -c 'score "$1"' _ {}

# One line per file: picture encoder quality bytes ssimulacra butteraugli.
table="$out/scores.txt"
for f in "$out"/*/*.score; do
  base=$(basename "$f" .score)
  echo "$(basename "$(dirname "$f")") ${base%-*} ${base##*-} $(cat "$f")"
done >"$table"

echo "${#photos[@]} photographs fitted into 1280 x 1024; targets: the scores of cjpeg -optimize 4:2:0 at quality 70 and 85"
echo "geometric mean of bytes(ours) / bytes(peer) at equal score (pictures where both reach it)"
awk -v ours="${ours[*]}" -v peers="${peers[*]}" '
  { pic[$1] = 1; q = $3 + 0; n = ++count[$1, $2]; Q[$1, $2, n] = q; B[$1, $2, n] = $4
    S[$1, $2, n, 1] = $5; S[$1, $2, n, 2] = $6
    if ($2 == "cjpeg420" && (q == 70 || q == 85)) target[$1, q, 1] = $5
    if ($2 == "cjpeg420" && (q == 70 || q == 85)) target[$1, q, 2] = $6 }
  # Bytes at score t: the sweep in quality order, the first pair whose
  # scores bracket t, log-linear between them; -1 when none does.
  function bytes_at(p, e, m, t,   n, i, j, k, tmp, a, b) {
    n = count[p, e]
    for (i = 1; i <= n; i++) ord[i] = i
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
      if (Q[p, e, ord[j]] < Q[p, e, ord[i]]) { tmp = ord[i]; ord[i] = ord[j]; ord[j] = tmp }
    for (k = 1; k < n; k++) {
      a = ord[k]; b = ord[k + 1]
      if (S[p, e, a, m] >= t && S[p, e, b, m] <= t) {
        if (S[p, e, a, m] == S[p, e, b, m]) return B[p, e, a]
        return exp(log(B[p, e, a]) + (log(B[p, e, b]) - log(B[p, e, a])) * \
                   (S[p, e, a, m] - t) / (S[p, e, a, m] - S[p, e, b, m]))
      }
    }
    return -1
  }
  END {
    no = split(ours, O, " "); np = split(peers, P, " ")
    split("ssimulacra butteraugli", M, " ")
    printf "%-18s", "target"
    for (o = 1; o <= no; o++) for (pp = 1; pp <= np; pp++) printf " %20s", O[o] "/" P[pp]
    printf "\n"
    for (m = 1; m <= 2; m++) for (qi = 70; qi <= 85; qi += 15) {
      printf "%-18s", M[m] " @ q" qi
      for (o = 1; o <= no; o++) for (pp = 1; pp <= np; pp++) {
        sum = 0; used = 0; total = 0
        for (p in pic) {
          total++
          t = target[p, qi, m]
          a = bytes_at(p, O[o], m, t); b = bytes_at(p, P[pp], m, t)
          if (a > 0 && b > 0) { sum += log(a / b); used++ }
        }
        if (used > 0) printf " %14.3f (%d/%d)", exp(sum / used), used, total
        else printf " %20s", "n/a"
      }
      printf "\n"
    }
  }' "$table"

[ "${COMPRESSION_BENCH_SPEED:-1}" = 0 ] && exit 0

# --- speed: one 1280 × 1024 picture
# Beside the pictures' folders, whose every JPEG is scored.
speed="$out-speed"
bench_fresh "$speed"
/usr/bin/convert "${photos[0]}" -resize '1280x1024^' -gravity center -extent 1280x1024 -depth 8 \
  "$speed/source.ppm"
seconds() {
  local t
  t=$(bench_time "$@")
  echo "${t%% *}"
}
echo
echo "speed on one 1280 x 1024 picture at quality 85, best of $rounds runs each"
printf '%-8s %16s %16s %16s %9s\n' sampling "strong s" "standard s" "cjpeg -progr. s" "ratio"
for s in 420 444; do
  case $s in 420) sample=2x2 ;; 444) sample=1x1 ;; esac
  best_s="" best_d="" best_c=""
  for ((r = 0; r < rounds; r++)); do
    rm -f "$speed/s.jpg" "$speed/d.jpg"
    best_s=$(least "$best_s" "$(seconds "$cli" encode --compression strong --sampling "$s" --quality 85 \
      "$speed/source.ppm" "$speed/s.jpg")")
    best_d=$(least "$best_d" "$(seconds "$cli" encode --sampling "$s" --quality 85 \
      "$speed/source.ppm" "$speed/d.jpg")")
    best_c=$(least "$best_c" "$(seconds cjpeg -quality 85 -optimize -progressive -sample "$sample" \
      -outfile "$speed/c.jpg" "$speed/source.ppm")")
  done
  awk -v m="$s" -v a="$best_s" -v d="$best_d" -v c="$best_c" \
    'BEGIN { printf "%-8s %16.4f %16.4f %16.4f %8.2fx\n", m, a, d, c, a / c }'
done

# --- speed: a batch into 1280 × 1024 with and without the strong mode
# grep reads the whole help: with -q it would stop at the match, and the
# help's writer, cut off, would fail the pipe.
if "$cli" optimise --help | grep -- '--compression' >/dev/null; then
  count=$(ls "$data"/*.jpg | wc -l)
  # Beside the pictures' folders, whose every JPEG is scored.
  out="$out-batch"
  run_batch() {
    bench_measure "$1" "$cli" optimise --no-settings --size "1024 x 1280" --quality 80 --quiet \
      "${@:2}" --out "$out/$1" "$data"
  }
  plain="" strong=""
  for ((r = 0; r < 3; r++)); do
    plain=$(least "$plain" "$(run_batch batch-standard)")
    strong=$(least "$strong" "$(run_batch batch-strong --compression strong)")
  done
  echo
  echo "batch: $count photographs into 1024 x 1280, quality 80, best of 3"
  awk -v a="$plain" -v b="$strong" 'BEGIN { split(a, x, " "); split(b, y, " ");
    printf "standard: wall %.3f s, %d bytes\nstrong:   wall %.3f s, %d bytes\n", x[1], x[3], y[1], y[3];
    printf "strong / standard: wall %.3f, bytes %.3f\n", y[1] / x[1], y[3] / x[3] }'
else
  echo
  echo "batch: not measured (vendrik-cli optimise has no --compression)"
fi
