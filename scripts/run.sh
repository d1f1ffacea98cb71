#!/usr/bin/env bash
# Starts the program, or explains how to when there is no display to show it on.
set -euo pipefail
program=$1
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "There is no display to show the window on (DISPLAY is not set)." >&2
  echo "Start it under a virtual display instead:  xvfb-run -a make run" >&2
  exit 1
fi
exec "$program"
