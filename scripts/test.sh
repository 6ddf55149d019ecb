#!/usr/bin/env bash
# Installs what is missing, builds every suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs them all through
# CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" test
build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVENDRIK_SANITIZE=ON -DVENDRIK_TESTS=ON -DVENDRIK_GUI=ON -DVENDRIK_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
for extra in "$root"/scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $(basename "$extra")"
  bash "$extra"
done
