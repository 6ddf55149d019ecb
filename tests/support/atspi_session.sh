#!/usr/bin/env bash
# Runs a command inside a desktop session of its own, as the accessibility
# tests need one: an X server (Xvfb), a D-Bus session with the AT-SPI bus,
# and Qt programs told to use both (QT_QPA_PLATFORM=xcb, accessibility
# always on). The command finds a scratch folder in $ATSPI_WORK; the
# *.log files there are shown when it fails. Exits 77 (skipped) when the
# machine lacks one of the pieces, otherwise with the command's exit code.
# Usage: atspi_session.sh COMMAND [ARG...]
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
shift

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
    [ -e "$f" ] || continue
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

# A free display number, chosen by the server itself. Two tests starting
# their servers at once can be handed the same number, and the loser exits:
# a server counts once it is still running with its socket in place, and
# another is started otherwise.
display=""
for attempt in 1 2 3; do
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >>"$work/xvfb.log" 2>&1 &
  xvfb=$!
  if wait_for 15 test -s "$work/display"; then
    n=$(tr -dc 0-9 <"$work/display")
    if [ -n "$n" ] && wait_for 5 test -S "/tmp/.X11-unix/X$n" && sleep 0.3 && kill -0 "$xvfb" 2>/dev/null; then
      pids+=("$xvfb")
      display=$n
      break
    fi
  fi
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
done
[ -n "$display" ] || { echo "FAIL: Xvfb did not start"; show_logs; exit 1; }
export DISPLAY=":$display"

"$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)
# Qt asks for the accessibility bus once, when it starts.
wait_for 15 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
  org.a11y.Bus.GetAddress || { echo "FAIL: no accessibility bus"; show_logs; exit 1; }

export ATSPI_WORK=$work QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
[ $status -eq 0 ] || show_logs
exit $status
