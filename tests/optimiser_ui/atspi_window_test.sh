#!/usr/bin/env bash
# Uses the real program as a screen reader user or a test robot would: in a
# desktop session of its own (tests/support/atspi_session.sh), vendrik
# started on a folder of pictures, and atspi_window.py, which finds
# the window "Tervane Vendrik", marks entries of its file list, presses the
# start button by its name, waits for the files, reads "n von N" and the
# summary and presses "Zielordner öffnen". Then the files are
# compared byte for byte with what vendrik-cli optimise writes with the
# settings the window stored when it closed.
# Exits 77 (skipped) when the machine lacks one of the pieces.
#
# Usage: atspi_window_test.sh VENDRIK VENDRIK_CLI SCRIPT [PICTURE...]
#   Without pictures, three small ones are made; with pictures, they are
#   copied into the folder vendrik shows (the first two are marked).
set -euo pipefail

if [ "${1:-}" != --in-session ]; then
  exec bash "$(dirname "$0")/../support/atspi_session.sh" bash "$0" --in-session "$@"
fi
vendrik=$2
cli=$3
script=$4
shift 4
work=$ATSPI_WORK
python=/usr/bin/python3  # Debian's, which has pyatspi

# A copy of the program of its own, so that its settings file (beside it)
# and its desktop entry are this test's.
mkdir -p "$work/app" "$work/bilder" "$work/data" "$work/run" "$work/befehlszeile"
chmod 700 "$work/run"
cp "$vendrik" "$work/app/vendrik"
export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config"
if [ $# -gt 0 ]; then
  cp "$@" "$work/bilder/"
else
  "$python" - "$work/bilder" <<'PY'
import struct, sys
def bmp(path, w, h, seed):
    stride = (w * 3 + 3) & ~3
    rows = bytearray()
    for y in range(h):
        row = bytearray()
        for x in range(w):
            row += bytes(((x * 7 + seed * 40) % 256, (y * 5 + seed * 20) % 256, ((x + y) * 3) % 256))
        rows += row + bytes(stride - len(row))
    head = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    open(path, "wb").write(head + info + rows)
for i, name in enumerate(["erstes.bmp", "zweites.bmp", "drittes.bmp"]):
    bmp(f"{sys.argv[1]}/{name}", 320 + 40 * i, 240, i)
PY
fi

# "Zielordner öffnen" hands the folder to xdg-open; this one notes it
# instead of starting a file manager.
mkdir -p "$work/bin"
cat > "$work/bin/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$1" >> "$XDG_OPEN_LOG"
SH
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH" XDG_OPEN_LOG="$work/xdg-open.log"

ASAN_OPTIONS=detect_leaks=0 "$work/app/vendrik" "$work/bilder" >"$work/vendrik.log" 2>&1 &
vendrik_pid=$!
trap 'kill $vendrik_pid 2>/dev/null || true; wait $vendrik_pid 2>/dev/null || true' EXIT

"$python" "$script" "$work/bilder"

# The window closes as the desktop's logout ends it; it stores its settings.
kill -TERM "$vendrik_pid"
wait "$vendrik_pid" || { echo "FAIL: vendrik ended with $?"; exit 1; }
[ -s "$work/app/vendrik.ini" ] || { echo "FAIL: no settings written"; exit 1; }
grep -q '^chkAnfang=' "$work/app/vendrik.ini" || { echo "FAIL: the window's keys are missing"; exit 1; }

# The command line with the settings the window stored, on the two marked
# pictures, into a folder of its own.
mapfile -t marked < "$work/bilder/.marked"
"$cli" optimise --quiet --settings "$work/app/vendrik.ini" --out "$work/befehlszeile" \
  "${marked[@]/#/$work/bilder/}"
for name in $(cat "$work/bilder/.outputs"); do
  size=$(stat -c %s "$work/bilder/$name")
  if cmp -s "$work/bilder/$name" "$work/befehlszeile/$name"; then
    echo "same bytes: $name ($size bytes) from the window and from vendrik-cli optimise"
  else
    echo "FAIL: $name differs between the window and vendrik-cli optimise"
    exit 1
  fi
done
echo PASS
