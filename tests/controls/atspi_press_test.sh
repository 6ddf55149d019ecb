#!/usr/bin/env bash
# Runs the accessibility test: an X server (Xvfb), a D-Bus session of its
# own with the AT-SPI bus and registry, the test window with accessibility
# switched on, and atspi_press.py pressing its button as a screen reader
# would. Exits 77 (skipped) when the machine lacks one of them.
# Usage: atspi_press_test.sh HOST_PROGRAM PRESS_SCRIPT
set -euo pipefail
source "$(dirname "$0")/../support/atspi_session.sh"
atspi_enter_session "$0" "$@"
host=$2
script=$3

atspi_start_display 640x480x24
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$host" >"$work/clicks" 2>"$work/host.log" &
pids+=($!)

if ! "$python" "$script" "$work/clicks"; then
  show_logs
  exit 1
fi
