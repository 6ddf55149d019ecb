#!/usr/bin/env bash
# Installs what is missing, builds Vendrik (optimised) and starts it with the
# arguments given. Until the windows exist, "Vendrik" is the command line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" build
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DVENDRIK_TESTS=OFF -DVENDRIK_GUI=ON >/dev/null
cmake --build "$root/build/release" --target vendrik-cli >/dev/null
exec "$root/build/release/apps/vendrik-cli" "$@"
