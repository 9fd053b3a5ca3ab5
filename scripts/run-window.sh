#!/usr/bin/env bash
# Starts the main window as a new user meets it: the release build, the KRIX device emulator on a
# pseudo-terminal standing in for the device, and ProgramSettings.ini beside the program preset
# with that port and a working copy of the bundled example simulation as the last file opened
# (scripts/prepare-window.sh: the copy lies outside the source tree, so "Save" and the close
# write there, never into examples/). In the window: Data > Load... (Ctrl+L), Enter for the open
# dialog, Enter again for the example's notes box, and Go! (F9) once "System loaded!" shows.
# When the example has a tester_script.txt beside it, the emulator also plays the tester on its
# bus: once the simulated ECU is started it sends the script's requests, and the traffic log
# shows the exchanges.
#
#   scripts/run-window.sh [arguments for Tarvico]
#   TARVICO_KRIX_COM=<n>     the COM number the emulator gets (default 9)
#   TARVICO_EXAMPLE=<file>   the simulation to copy and preset (default: the one bundled in examples/)
#   TARVICO_WORK=<folder>    where working copies live (default ~/.local/share/tarvico)
#   TARVICO_FRESH_EXAMPLE=1  replace the working copy by a new copy of the example
#   TARVICO_TESTER=0         no tester on the emulated bus
#   TARVICO_BUILD_ONLY=1     build, then stop
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
com=${TARVICO_KRIX_COM:-9}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tarvico krix_interface checksum_standin krix_emulator
[ "${TARVICO_BUILD_ONLY:-0}" = 1 ] && exit 0

# The working copy of the example, preset in ProgramSettings.ini beside the program.
example=$("$root/scripts/prepare-window.sh" "$build/bin" "$com")

work=$(mktemp -d)
started=() # what this script started, ended in reverse order when it exits
# A process that does not end on TERM within five seconds is killed.
stop() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 1 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() { for ((i = ${#started[@]} - 1; i >= 0; i--)); do stop "${started[i]}"; done; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

# The emulator prints its pseudo-terminal's name on its first line.
emulator_args=()
script="$(dirname "$example")/tester_script.txt"
if [ "${TARVICO_TESTER:-1}" != 0 ] && [ -f "$script" ]; then
  emulator_args=(--tester "$script" --wait-seconds 86400 --serve-after)
fi
"$build/bin/krix_emulator" "${emulator_args[@]}" >"$work/emulator.out" 2>"$work/emulator.err" &
emulator_pid=$!
started+=("$emulator_pid")
for _ in $(seq 1 100); do
  [ -s "$work/emulator.out" ] && break
  kill -0 "$emulator_pid" 2>/dev/null || { cat "$work/emulator.err" >&2; exit 1; }
  sleep 0.1
done
device=$(head -n 1 "$work/emulator.out")
[ -n "$device" ] || { echo "run-window: the emulator named no device" >&2; exit 1; }
export "KRIX_COM$com=$device"
echo "KRIX device emulator on $device (COM$com); simulation $example"

"$build/bin/Tarvico" "$@" &
window_pid=$!
started+=("$window_pid")
wait "$window_pid"
