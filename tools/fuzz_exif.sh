#!/usr/bin/env bash
# Builds the EXIF reader's libFuzzer target with clang and runs it for
# SECONDS (default 60) on a fresh seed corpus. Exits non-zero on a finding;
# the crashing input is left in build/fuzz/ (or $FUZZ_OUT).
#   bash tools/fuzz_exif.sh 600
set -euo pipefail
seconds=${1:-60}
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
  echo "fuzz_exif: no clang++ found (scripts/install-deps.sh test installs one)" >&2
  exit 2
fi

# The fuzz target is built by CMake against the core's EXIF library, with the
# fuzzer's coverage in the library as well.
build="$out/cmake"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$clang" -DVENDRIK_FUZZ=ON -DVENDRIK_TESTS=OFF >/dev/null
cmake --build "$build" --target exif_fuzzer >/dev/null
cp "$build/tools/fuzz/exif_fuzzer" "$out/exif_fuzzer"

corpus="$out/exif_corpus"
rm -rf "$corpus"
mkdir -p "$corpus"
/usr/bin/python3 "$root/tools/fuzz/make_exif_seeds.py" "$corpus"
# Real cameras' layout, as exiftool writes it, when exiftool is there.
if command -v exiftool >/dev/null && command -v cjpeg >/dev/null; then
  bash "$root/tests/exif/make_fixtures.sh" "$corpus" >/dev/null
fi

cd "$out"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
./exif_fuzzer -max_total_time="$seconds" -max_len=8192 -timeout=5 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus" >"$out/exif_fuzz.log" 2>&1 || status=$?
grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|.*runtime error)' \
  "$out/exif_fuzz.log" || true
if [ "$status" -ne 0 ]; then
  echo "fuzz_exif: the fuzzer found a fault (status $status), see $out/exif_fuzz.log" >&2
fi
exit "$status"
