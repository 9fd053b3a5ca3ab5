#!/usr/bin/env bash
# The main job. With a display: the main window with the bundled example simulation preset and the
# KRIX device emulator on a pseudo-terminal in the device's place (scripts/run-window.sh): Data >
# Load..., Enter, Go!. Without a display, or with --headless: the same simulation end to end without
# a window, a scripted tester printing every exchange (scripts/run-headless.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = --headless ]; then
  shift
  exec bash "$here/run-headless.sh" "$@"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec bash "$here/run-window.sh" "$@"
fi
echo "run.sh: no display, so the simulator runs without its window (scripts/run-window.sh opens it)" >&2
exec bash "$here/run-headless.sh" "$@"
