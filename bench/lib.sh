# Sourced by the benchmark scripts: what each needs before it measures, and
# how they all time a run.
#
#   source "$(dirname "$0")/lib.sh"
#
# sets `root` (the checkout), `build` (the release build build/bench) and
# `cli` (its vendrik-cli), and gives
#
#   bench_build TARGET...  installs the benchmark packages, configures the
#                          release build (benchmarks and windows on, tests
#                          off) and builds the targets
#   bench_photos [ARGS]    makes the batch benchmark's photographs
#                          (make_photos.sh ARGS) and prints their folder
#   bench_phone_photos     the same photographs as a phone writes them (a
#                          Display P3 profile, EXIF with GPS, a thumbnail,
#                          XMP and IPTC places), made once; prints their
#                          folder
#   bench_sweep_photos DATA N
#                          puts into the array `photos` the first N
#                          photographs of DATA that are not mirror images
#                          (photo01, photo03, …); ends the benchmark when
#                          there are fewer
#   bench_fresh FOLDER     an empty FOLDER for a run to write into
#   bench_expect FOLDER N  ends the benchmark unless the run wrote N files
#                          into FOLDER
#   bench_time CMD...      runs CMD with its output dropped (its standard
#                          error kept in "$bench_tmp/stderr") and prints
#                          "WALL CPU PEAK": wall seconds from the nanosecond
#                          clock, CPU seconds (user and system), peak memory
#                          in KB. Returns CMD's exit status.
#   bench_measure NAME CMD...
#                          runs CMD, which writes into "$out/NAME" (made
#                          empty first), and prints "WALL CPU BYTES"; ends
#                          the benchmark unless CMD wrote "$count" files
#   least A B              of two such lines, the one with the smaller first
#                          number (A may be empty)
#   median                 the median of the numbers on standard input
#
# A script's own scratch folders go into bench_remove_at_exit, which the
# exit trap removes together with bench_tmp.
#
# Wall time comes from `date +%s%N` around the run rather than from
# /usr/bin/time, whose %e has a resolution of 10 ms: on runs of under a
# second that alone moves a ratio by a few per cent.

set -euo pipefail
# A failure inside $(...) ends the benchmark too.
shopt -s inherit_errexit

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/bench"
cli="$build/apps/vendrik-cli"

bench_tmp=$(mktemp -d)
bench_remove_at_exit=("$bench_tmp")
trap 'rm -rf "${bench_remove_at_exit[@]}"' EXIT

bench_time() {
  local t0 t1 status=0
  t0=$(date +%s%N)
  /usr/bin/time -o "$bench_tmp/time" -f '%U %S %M' "$@" >/dev/null 2>"$bench_tmp/stderr" || status=$?
  t1=$(date +%s%N)
  # /usr/bin/time puts "Command exited with non-zero status N" before its
  # own line when the command fails.
  awk -v a="$t0" -v b="$t1" -v t="$(tail -n 1 "$bench_tmp/time")" \
    'BEGIN { split(t, c, " "); printf "%.6f %.3f %d\n", (b - a) / 1e9, c[1] + c[2], c[3] }'
  return "$status"
}

bench_measure() {
  local name=$1 times
  shift
  bench_fresh "$out/$name"
  times=$(bench_time "$@")
  bench_expect "$out/$name" "$count"
  echo "${times% *} $(cat "$out/$name"/* | wc -c)"
}

least() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " "); print (a == "" || y[1] < x[1]) ? b : a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

bench_build() {
  bash "$root/scripts/install-deps.sh" bench
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENDRIK_TESTS=OFF \
    -DVENDRIK_BENCH=ON -DVENDRIK_GUI=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target "$@" >/dev/null
}

bench_photos() { bash "$root/bench/make_photos.sh" "$@"; }

bench_sweep_photos() {
  # The even ones are their odd neighbours' mirror images.
  mapfile -t photos < <(ls "$1"/photo*.jpg | sort | awk 'NR % 2 == 1' | head -n "$2")
  if [ "${#photos[@]}" -lt "$2" ]; then
    echo "$(basename "$0"): only ${#photos[@]} photographs" >&2
    exit 1
  fi
}

bench_phone_photos() {
  local plain phone="$root/bench/data/photos12mp-phone" count
  plain=$(bench_photos)
  count=$(ls "$plain"/*.jpg | wc -l)
  if [ "$(ls "$phone"/*.jpg 2>/dev/null | wc -l)" -ne "$count" ]; then
    rm -rf "$phone"
    mkdir -p "$phone/profile"
    /usr/bin/python3 "$root/tests/imaging/make_colour_pictures.py" "$phone/profile" >/dev/null
    /usr/bin/convert "$plain/photo01.jpg" -resize 160x120 "$phone/profile/thumb.jpg"
    cp "$plain"/*.jpg "$phone"/
    exiftool -q -q -overwrite_original "-ICC_Profile<=$phone/profile/display-p3.icc" \
      -Make=Apple '-Model=iPhone 15' '-DateTimeOriginal=2024:05:17 14:03:22' -FNumber=1.8 \
      -ExposureTime=0.01 -ISO=64 -FocalLength=6.9 -GPSLatitude=48.137154 -GPSLatitudeRef=N \
      -GPSLongitude=11.576124 -GPSLongitudeRef=E -GPSAltitude=519 \
      -XMP-photoshop:City=München -XMP-iptcCore:Location=Marienplatz -XMP-dc:Title=Rathaus \
      -IPTC:City=München -IPTC:Keywords=Urlaub "-ThumbnailImage<=$phone/profile/thumb.jpg" \
      "$phone"/*.jpg
  fi
  echo "$phone"
}

bench_fresh() {
  rm -rf "${1:?}"
  mkdir -p "$1"
}

bench_expect() {
  local files
  files=$(ls "$1" | wc -l)
  if [ "$files" -ne "$2" ]; then
    echo "$(basename "$0"): $(basename "$1") wrote $files of $2 files" >&2
    exit 1
  fi
}
