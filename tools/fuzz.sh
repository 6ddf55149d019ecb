#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzzer's coverage in the core libraries
# too), runs each over the inputs of the faults it once found
# (tools/fuzz/regressions/TARGET/), then fuzzes each for SECONDS (default 60)
# from a fresh seed corpus (tools/fuzz/make_seeds.sh).
#   bash tools/fuzz.sh 600                # every target, ten minutes each
#   bash tools/fuzz.sh 30 loader icc      # two of them
# Exits non-zero on a finding; the input is left in build/fuzz/ (or
# $FUZZ_OUT), the log beside it as TARGET.log.
set -euo pipefail
seconds=${1:-60}
shift || true
all=(exif loader icc metadata settings options files_from)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
root=$(cd "$(dirname "$0")/.." && pwd)
out=${FUZZ_OUT:-"$root/build/fuzz"}
mkdir -p "$out"
# clang++ if there is one, else the highest versioned clang++-N installed.
find_clang() {
  if command -v clang++ >/dev/null; then
    command -v clang++
    return
  fi
  compgen -c clang++- | grep -E '^clang\+\+-[0-9]+$' | sort -t- -k2 -n | tail -1
}
clang=${CLANGXX:-$(find_clang)}
if [ -z "$clang" ]; then
  echo "fuzz: no clang++ found (scripts/install-deps.sh test installs one)" >&2
  exit 2
fi

build="$out/cmake"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$clang" -DVENDRIK_FUZZ=ON -DVENDRIK_TESTS=OFF >/dev/null
if ! cmake --build "$build" --target $(printf '%s_fuzzer ' "${targets[@]}") >"$out/build.log" 2>&1; then
  tail -20 "$out/build.log" >&2
  echo "fuzz: the build failed, see $out/build.log" >&2
  exit 2
fi

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
status=0
for t in "${targets[@]}"; do
  fuzzer="$build/tools/fuzz/${t}_fuzzer"
  log="$out/$t.log"
  regressions="$root/tools/fuzz/regressions/$t"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    # The inputs are small; a block of 128 MB for one is a fault of its own
    # (a profile of 1 KB once took 200 MB).
    if ! "$fuzzer" -runs=1 -malloc_limit_mb=128 "$regressions"/* >"$out/$t.regressions.log" 2>&1; then
      echo "fuzz: $t: a fault it once found is back, see $out/$t.regressions.log" >&2
      status=1
      continue
    fi
  fi
  corpus="$out/${t}_corpus"
  rm -rf "$corpus"
  bash "$root/tools/fuzz/make_seeds.sh" "$t" "$corpus"
  # A picture may be as large as the loader allows (100 megapixels), so a
  # decoded one can take 300 MB and more. The EXIF reader takes a file's
  # head, so its inputs stay within 8 KB.
  extra=()
  [ "$t" != exif ] || extra=(-max_len=8192)
  run=0
  (cd "$out" && "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
    -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/$t-" "${extra[@]}" \
    "$corpus" >"$log" 2>&1) || run=$?
  echo "== $t: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs," \
    "$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'ft: [0-9]+' || echo 'ft: ?')" \
    "$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+' || echo 'cov: ?')"
  if [ "$run" -ne 0 ]; then
    grep -E '^(==[0-9]+==|SUMMARY|.*runtime error)' "$log" | head -5 || true
    echo "fuzz: $t found a fault (status $run), see $log" >&2
    status=1
  fi
done
exit "$status"
