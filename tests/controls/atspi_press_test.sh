#!/usr/bin/env bash
# Runs the accessibility test: an X server (Xvfb), a D-Bus session of its
# own with the AT-SPI bus and registry, the test window with accessibility
# switched on, and atspi_press.py pressing its button as a screen reader
# would; what the window prints goes to a file the script reads. Exits 77
# (skipped) when the machine lacks one of them.
# Usage: atspi_press_test.sh HOST_PROGRAM PRESS_SCRIPT [HOST_ARGUMENT...]
set -euo pipefail

launcher=/usr/libexec/at-spi-bus-launcher
python=/usr/bin/python3  # Debian's, which has pyatspi

if [ "${1:-}" != --inside ]; then
  skip() { echo "SKIP: $*"; exit 77; }
  command -v Xvfb >/dev/null || skip "no X server: Xvfb missing (package xvfb)"
  command -v dbus-run-session >/dev/null || skip "no D-Bus session: dbus-run-session missing (package dbus-daemon)"
  [ -x "$launcher" ] || skip "no accessibility bus: $launcher missing (package at-spi2-core)"
  "$python" -c 'import pyatspi' 2>/dev/null || skip "no pyatspi (package python3-pyatspi)"
  exec dbus-run-session -- bash "$0" --inside "$@"
fi
host=$2
script=$3
shift 3

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
show_logs() {
  for f in "$work"/*.log; do
    echo "--- $(basename "$f")"
    tail -n 20 "$f"
  done
}
wait_for() {  # wait_for SECONDS COMMAND...: polls until COMMAND succeeds
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.1
  done
}

# A free display number, chosen by the server itself.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 15 test -s "$work/display" || { echo "FAIL: Xvfb did not start"; show_logs; exit 1; }
export DISPLAY=":$(cat "$work/display")"

"$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)
# Qt asks for the accessibility bus once, when it starts.
wait_for 15 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.a11y.Bus.GetAddress || { echo "FAIL: no accessibility bus"; show_logs; exit 1; }

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$host" "$@" >"$work/clicks" 2>"$work/host.log" &
pids+=($!)

if ! "$python" "$script" "$work/clicks"; then
  show_logs
  exit 1
fi
