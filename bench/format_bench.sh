#!/usr/bin/env bash
# Output format benchmark: Vendrik's WebP and AVIF against the libraries' own
# command-line tools, cwebp and heif-enc, and against Vendrik's own JPEG, in
# bytes at equal perceived quality and in time.
#
# Bytes: the first PICTURES (default 8) different batch photographs fitted
# into 1280 × 1024, each encoded over a sweep of qualities by
#   webp       vendrik-cli encode to .webp
#   cwebp      cwebp -q Q (its defaults otherwise)
#   avif       vendrik-cli encode to .avif
#   heif-enc   heif-enc -A -q Q (its defaults: AV1 at speed 6, 4:2:0)
#   jpeg       vendrik-cli encode to .jpg
# ours as optimise writes them: 4:4:4 from quality 70, 4:2:0 below;
# decoded with dwebp, heif-convert and djpeg and scored against the picture
# before encoding with SSIMULACRA (ssimulacra_main; lower is better). The
# targets are the scores cjpeg -optimize 4:2:0 reaches at quality 70 and 85;
# an encoder's bytes at a target come from log-linear interpolation between
# the two qualities of its sweep that bracket it. Printed: the geometric mean
# over the pictures of bytes(ours) / bytes(peer) at each target.
#
# Time, in the same run: the 24 batch photographs into 1280 × 1024 at
# quality 80 on one job, as WebP, AVIF and JPEG; against cwebp and heif-enc
# at the same settings on the same pictures already scaled. The peer's side
# leaves out the decoding and scaling our batch does, so batch / peer is an
# upper bound of batch / (our loader + peer). Best of ROUNDS (default 3).
#
#   bash bench/format_bench.sh [PICTURES [ROUNDS]]
#
# FORMAT_BENCH_SPEED=0 skips the time measurements.
source "$(dirname "$0")/lib.sh"
pictures=${1:-8}
rounds=${2:-3}
bench_build vendrik-cli
data=$(bench_photos)
out="$root/bench/out/formats"
rm -rf "$out"
mkdir -p "$out"

encoders=(webp cwebp avif heif-enc jpeg)
qualities=(30 40 50 60 70 78 85 90 95)
ending_of() {
  case $1 in
    webp | cwebp) echo webp ;;
    avif | heif-enc) echo avif ;;
    *) echo jpg ;;
  esac
}

# --- the pictures: photo01, photo03, …
bench_sweep_photos "$data" "$pictures"
for photo in "${photos[@]}"; do
  dir="$out/$(basename "$photo" .jpg)"
  mkdir -p "$dir"
  /usr/bin/convert "$photo" -resize 1280x1024 -depth 8 "$dir/source.ppm"
  /usr/bin/convert "$dir/source.ppm" "$dir/source.png"
done

# --- encode every picture at every quality of every encoder
encode() {
  local e=$1 q=$2 dir=$3 file
  file="$dir/$e-$q.$(ending_of "$e")"
  case $e in
    webp) "$cli" encode --quality "$q" "$dir/source.ppm" "$file" ;;
    avif | jpeg)
      if [ "$q" -lt 70 ]; then
        "$cli" encode --sampling 420 --quality "$q" "$dir/source.ppm" "$file"
      else
        "$cli" encode --quality "$q" "$dir/source.ppm" "$file"
      fi
      ;;
    cwebp) cwebp -quiet -q "$q" "$dir/source.png" -o "$file" ;;
    heif-enc) heif-enc -A -q "$q" -o "$file" "$dir/source.png" >/dev/null ;;
    cjpeg420) cjpeg -quality "$q" -optimize -sample 2x2 -outfile "$file" "$dir/source.ppm" ;;
  esac
}
export -f encode ending_of
export cli
for photo in "${photos[@]}"; do
  dir="$out/$(basename "$photo" .jpg)"
  for e in "${encoders[@]}"; do
    for q in "${qualities[@]}"; do
      echo "$e $q $dir"
    done
  done
  echo "cjpeg420 70 $dir"
  echo "cjpeg420 85 $dir"
done | xargs -P "$(nproc)" -L 1 bash -c 'encode "$@"' _

# --- score every file: bytes and SSIMULACRA against the source (two per core)
score() {
  local file=$1 dir decoded
  dir=$(dirname "$file")
  decoded="${file%.*}.decoded.png"
  case $file in
    *.webp) dwebp -quiet "$file" -o "$decoded" ;;
    *.avif) heif-convert "$file" "$decoded" >/dev/null ;;
    *.jpg) djpeg -outfile "${decoded%.png}.ppm" "$file" && decoded="${decoded%.png}.ppm" ;;
  esac
  printf '%s %s\n' "$(stat -c %s "$file")" \
    "$(ssimulacra_main "$dir/source.png" "$decoded" 2>/dev/null | tail -n 1)" >"${file%.*}.score"
  rm -f "$decoded"
}
export -f score
ls "$out"/*/*.webp "$out"/*/*.avif "$out"/*/*.jpg |
  xargs -P "$((2 * $(nproc)))" -I{} bash -c 'score "$1"' _ {}

# One line per file: picture encoder quality bytes ssimulacra.
table="$out/scores.txt"
for f in "$out"/*/*.score; do
  base=$(basename "$f" .score)
  echo "$(basename "$(dirname "$f")") ${base%-*} ${base##*-} $(cat "$f")"
done >"$table"

echo "${#photos[@]} photographs fitted into 1280 x 1024; targets: the SSIMULACRA of cjpeg -optimize 4:2:0 at quality 70 and 85"
echo "geometric mean of bytes(ours) / bytes(peer) at equal SSIMULACRA (pictures where both reach it)"
awk -v pairs="webp/cwebp avif/heif-enc webp/jpeg avif/jpeg" '
  { pic[$1] = 1; n = ++count[$1, $2]; Q[$1, $2, n] = $3 + 0; B[$1, $2, n] = $4; S[$1, $2, n] = $5
    if ($2 == "cjpeg420") target[$1, $3 + 0] = $5 }
  # Bytes at score t: the sweep in quality order, the first pair whose
  # scores bracket t, log-linear between them; -1 when none does.
  function bytes_at(p, e, t,   n, i, j, k, tmp, a, b) {
    n = count[p, e]
    for (i = 1; i <= n; i++) ord[i] = i
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
      if (Q[p, e, ord[j]] < Q[p, e, ord[i]]) { tmp = ord[i]; ord[i] = ord[j]; ord[j] = tmp }
    for (k = 1; k < n; k++) {
      a = ord[k]; b = ord[k + 1]
      if (S[p, e, a] >= t && S[p, e, b] <= t) {
        if (S[p, e, a] == S[p, e, b]) return B[p, e, a]
        return exp(log(B[p, e, a]) + (log(B[p, e, b]) - log(B[p, e, a])) * \
                   (S[p, e, a] - t) / (S[p, e, a] - S[p, e, b]))
      }
    }
    return -1
  }
  END {
    np = split(pairs, P, " ")
    printf "%-18s", "target"
    for (i = 1; i <= np; i++) printf " %20s", P[i]
    printf "\n"
    for (qi = 70; qi <= 85; qi += 15) {
      printf "%-18s", "ssimulacra @ q" qi
      for (i = 1; i <= np; i++) {
        split(P[i], E, "/")
        sum = 0; used = 0; total = 0
        for (p in pic) {
          total++
          a = bytes_at(p, E[1], target[p, qi]); b = bytes_at(p, E[2], target[p, qi])
          if (a > 0 && b > 0) { sum += log(a / b); used++ }
        }
        if (used > 0) printf " %14.3f (%d/%d)", exp(sum / used), used, total
        else printf " %20s", "n/a"
      }
      printf "\n"
    }
  }' "$table"

[ "${FORMAT_BENCH_SPEED:-1}" = 0 ] && exit 0

# --- time: the whole batch on one job against the peer tool on scaled pictures
count=$(ls "$data"/*.jpg | wc -l)
scaled="$out/scaled"
mkdir -p "$scaled"
for photo in "$data"/*.jpg; do
  /usr/bin/convert "$photo" -resize 1280x1024 -depth 8 "$scaled/$(basename "$photo" .jpg).ppm"
  /usr/bin/convert "$scaled/$(basename "$photo" .jpg).ppm" "$scaled/$(basename "$photo" .jpg).png"
done
run_batch() {
  bench_measure "$1" "$cli" optimise --no-settings --box 1280x1024 --quality 80 --jobs 1 --quiet \
    "${@:2}" --out "$out/$1" "$data"
}
# Each tool over the scaled pictures, one after the other, into a fresh folder.
over_scaled() {
  local name=$1 f
  shift
  bench_fresh "$out/$name"
  for f in "$scaled"/*.ppm; do
    "$@" "$f" "$out/$name/$(basename "$f" .ppm)"
  done
}
cwebp_encode() { cwebp -quiet -q 80 "${1%.ppm}.png" -o "$2.webp"; }
heif_encode() { heif-enc -A -q 80 -p chroma=444 -p speed=6 -o "$2.avif" "${1%.ppm}.png" >/dev/null; }
export -f cwebp_encode heif_encode over_scaled bench_fresh
export scaled out
peer_time() { bench_time bash -c 'over_scaled "$@"' _ "$@" | awk '{ print $1 }'; }

jpeg="" webp="" avif="" cwebp="" heif=""
for ((r = 0; r < rounds; r++)); do
  jpeg=$(least "$jpeg" "$(run_batch batch-jpeg)")
  webp=$(least "$webp" "$(run_batch batch-webp --format webp)")
  avif=$(least "$avif" "$(run_batch batch-avif --format avif)")
  cwebp=$(least "$cwebp" "$(peer_time scaled-cwebp cwebp_encode)")
  heif=$(least "$heif" "$(peer_time scaled-heif heif_encode)")
done
echo
echo "time: $count photographs into 1280 x 1024, quality 80, one job, best of $rounds"
awk -v j="$jpeg" -v w="$webp" -v a="$avif" -v cw="$cwebp" -v he="$heif" '
  BEGIN {
    split(j, J, " "); split(w, W, " "); split(a, A, " ")
    printf "our JPEG batch       %8.3f s %10d bytes\n", J[1], J[3]
    printf "our WebP batch       %8.3f s %10d bytes\n", W[1], W[3]
    printf "our AVIF batch       %8.3f s %10d bytes\n", A[1], A[3]
    printf "cwebp -q 80          %8.3f s\n", cw
    printf "heif-enc -A -q 80    %8.3f s (4:4:4, speed 6)\n", he
    printf "WebP batch / cwebp alone:    %.3f (at most; the batch also decodes and scales)\n", W[1] / cw
    printf "AVIF batch / heif-enc alone: %.3f (at most; the batch also decodes and scales)\n", A[1] / he
    printf "WebP batch / JPEG batch: time %.3f, bytes %.3f\n", W[1] / J[1], W[3] / J[3]
    printf "AVIF batch / JPEG batch: time %.3f, bytes %.3f\n", A[1] / J[1], A[3] / J[3]
  }'
