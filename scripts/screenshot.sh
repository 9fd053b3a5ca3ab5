#!/usr/bin/env bash
# A screenshot of the main window: starts it under a virtual X server (Xvfb) as
# scripts/run-window.sh does, loads a fresh working copy of the bundled example (Data > Load...,
# Enter, Enter for the notes box), presses Go! (F9) and writes the window to a PNG.
#
#   scripts/screenshot.sh [out.png]     (default build/screenshot.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshot.png}
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

"$root/scripts/install-deps.sh" screenshot
TARVICO_BUILD_ONLY=1 "$root/scripts/run-window.sh"

work=$(mktemp -d)
started=() # what this script started, ended in reverse order when it exits
cleanup() { for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null || true; wait "${started[i]}" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

# A working copy of its own, removed with the rest: the picture shows the example as bundled.
TARVICO_WORK="$work/simulations" "$root/scripts/run-window.sh" >"$work/window.log" 2>&1 &
window_pid=$!
started+=("$window_pid")
window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --name '^Tarvico' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$window_pid" 2>/dev/null || { cat "$work/window.log" >&2; exit 1; }
  sleep 0.5
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; cat "$work/window.log" >&2; exit 1; }

# The operator's steps: load the preset file, start once it is loaded. The boxes the load shows
# (the example's notes, say) are closed with Enter as an operator would; the window is the one
# whose id was found first, every other window named Tarvico is a box or a dialog.
close_boxes() {
  local until=$((SECONDS + $1)) id
  while [ "$SECONDS" -lt "$until" ]; do
    for id in $(xdotool search --onlyvisible --name '^Tarvico' 2>/dev/null || true); do
      [ "$id" = "$window" ] && continue
      xdotool windowfocus --sync "$id" 2>/dev/null && xdotool key Return || true
    done
    sleep 0.5
  done
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1
xdotool key ctrl+l
close_boxes "${TARVICO_LOAD_SECONDS:-15}"
xdotool key F9
close_boxes "${TARVICO_RUN_SECONDS:-10}"

import -window "$window" "$out"
echo "screenshot: $out"
