# Sourced by the accessibility tests: a session of their own in which a
# program can be used as a screen reader uses it, with an X server (Xvfb), a
# D-Bus session and the AT-SPI bus and registry.
#
#   source atspi_session.sh
#   atspi_enter_session "$0" "$@"   # re-runs the script inside its own D-Bus
#                                   # session, or exits 77 (skipped) when the
#                                   # machine lacks a piece
#   shift                           # (inside: drop the --inside marker)
#   atspi_start_display 640x480x24  # Xvfb and the accessibility bus; DISPLAY
#   some_program & pids+=($!)       # ended, last first, when the script ends
#   ... show_logs on failure (every $work/*.log)
# Also sets `work` (a scratch folder removed at the end), `python` (Debian's,
# which has pyatspi) and `wait_for SECONDS COMMAND...`.

atspi_launcher=/usr/libexec/at-spi-bus-launcher
python=/usr/bin/python3

atspi_enter_session() {
  local script=$1
  shift
  if [ "${1:-}" = --inside ]; then
    atspi_prepare
    return 0
  fi
  skip() { echo "SKIP: $*"; exit 77; }
  command -v Xvfb >/dev/null || skip "no X server: Xvfb missing (package xvfb)"
  command -v dbus-run-session >/dev/null || skip "no D-Bus session: dbus-run-session missing (package dbus-daemon)"
  [ -x "$atspi_launcher" ] || skip "no accessibility bus: $atspi_launcher missing (package at-spi2-core)"
  "$python" -c 'import pyatspi' 2>/dev/null || skip "no pyatspi (package python3-pyatspi)"
  exec dbus-run-session -- bash "$script" --inside "$@"
}

atspi_prepare() {
  work=$(mktemp -d)
  pids=()
  trap atspi_cleanup EXIT
}

atspi_cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}

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

atspi_start_display() {
  # A free display number, chosen by the server itself.
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  wait_for 15 test -s "$work/display" || { echo "FAIL: Xvfb did not start"; show_logs; exit 1; }
  export DISPLAY=":$(cat "$work/display")"

  "$atspi_launcher" --launch-immediately >"$work/bus.log" 2>&1 &
  pids+=($!)
  # Qt asks for the accessibility bus once, when it starts.
  wait_for 15 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress || { echo "FAIL: no accessibility bus"; show_logs; exit 1; }
}
