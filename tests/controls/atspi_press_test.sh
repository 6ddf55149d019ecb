#!/usr/bin/env bash
# Runs the accessibility test of the push button: the test window in a
# desktop session of its own (tests/support/atspi_session.sh), and
# atspi_press.py pressing its button as a screen reader would. Exits 77
# (skipped) when the machine lacks the session's pieces.
# Usage: atspi_press_test.sh HOST_PROGRAM PRESS_SCRIPT [HOST_ARGUMENT...]
set -euo pipefail

if [ "${1:-}" != --in-session ]; then
  exec bash "$(dirname "$0")/../support/atspi_session.sh" bash "$0" --in-session "$@"
fi
host=$2
script=$3
shift 3

"$host" "$@" >"$ATSPI_WORK/clicks" 2>"$ATSPI_WORK/host.log" &
host_pid=$!
trap 'kill $host_pid 2>/dev/null || true; wait $host_pid 2>/dev/null || true' EXIT
/usr/bin/python3 "$script" "$ATSPI_WORK/clicks"
