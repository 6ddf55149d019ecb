#!/usr/bin/env bash
# Installs what is missing, builds Vendrik (optimised) and starts its window,
# `vendrik`, with the arguments given (a folder or a picture to show).
#   bash scripts/run.sh [ORDNER | BILDDATEI]
#   bash scripts/run.sh --cli ARGS...   the command line, vendrik-cli, instead
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" build
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVENDRIK_TESTS=OFF -DVENDRIK_GUI=ON >/dev/null
if [ "${1:-}" = --cli ]; then
  shift
  cmake --build "$root/build/release" --target vendrik-cli >/dev/null
  exec "$root/build/release/apps/vendrik-cli" "$@"
fi
cmake --build "$root/build/release" --target vendrik >/dev/null
exec "$root/build/release/apps/vendrik" "$@"
