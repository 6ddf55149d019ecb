# Sourced by the benchmark scripts: how they all time a run.
#
#   bench_time CMD...   runs CMD with its output dropped (its standard error
#                       kept in "$bench_tmp/stderr") and prints
#                       "WALL CPU PEAK": wall seconds from the nanosecond
#                       clock, CPU seconds (user and system), peak memory in
#                       KB. Returns CMD's exit status.
#   least A B           of two such lines, the one with the smaller first
#                       number (A may be empty)
#   median              the median of the numbers on standard input
#
# Wall time comes from `date +%s%N` around the run rather than from
# /usr/bin/time, whose %e has a resolution of 10 ms: on runs of under a
# second that alone moves a ratio by a few per cent.

# A failure inside $(...) ends the benchmark too.
shopt -s inherit_errexit

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

least() {
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " "); print (a == "" || y[1] < x[1]) ? b : a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
