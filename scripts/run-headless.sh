#!/usr/bin/env bash
# The simulator without a window: installs what is missing, builds the release configuration and runs the simulator
# end to end on the bundled example simulation (examples/can_standard): the KRIX device emulator
# on a pseudo-terminal, named COM5 for the device link through KRIX_COM5; the engine with its bus
# units and the real libkrix_interface.so, driven without a window by tarvico_headless; and a
# short scripted tester on the emulated CAN bus (the emulator's --tester mode). Prints every
# exchange as the tester saw it, then the engine's own log; the exit status is the tester's
# (0 when every answer was the expected one). TARVICO_BUILD_DIR names another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVICO_BUILD_DIR:-$root/build/release}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)"

bin="$build/bin"
example="$root/examples/can_standard"
com=5
work=$(mktemp -d)
emulator=""
engine=""
cleanup() {
  [ -n "$engine" ] && kill -TERM "$engine" 2>/dev/null && wait "$engine" 2>/dev/null || true
  [ -n "$emulator" ] && kill -TERM "$emulator" 2>/dev/null && wait "$emulator" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/krix_emulator" --tester "$example/tester_script.txt" --wait-seconds 120 --serve-after \
  >"$work/tester.out" 2>"$work/emulator.err" &
emulator=$!
for _ in $(seq 100); do
  [ -s "$work/tester.out" ] && break
  sleep 0.1
done
pty=$(head -n 1 "$work/tester.out")
if [ -z "$pty" ]; then
  echo "run.sh: the emulator did not start" >&2
  cat "$work/emulator.err" >&2
  exit 1
fi
echo "KRIX device emulator on $pty (COM$com)"

# The engine runs in a folder of its own: whatever the library writes into its working folder
# stays there.
(cd "$work" && exec env "KRIX_COM$com=$pty" "$bin/tarvico_headless" "$example/simul1.ini" "COM$com") \
  >"$work/engine.out" 2>"$work/engine.err" &
engine=$!

tail -n +2 -f --pid="$emulator" "$work/tester.out" &
tailer=$!
# The tester's last line says how the script went; the engine may end first only by failing.
while ! grep -q '^tester: .*exchanges\|^tester: the ECU was not started' "$work/tester.out"; do
  if ! kill -0 "$engine" 2>/dev/null || ! kill -0 "$emulator" 2>/dev/null; then
    echo "run.sh: the engine or the emulator ended before the tester was done" >&2
    break
  fi
  sleep 0.2
done
# The engine stops the simulated ECU and ends the link while the device is still there.
kill -TERM "$engine" 2>/dev/null || true
wait "$engine" || true
engine=""
status=0
kill -TERM "$emulator" 2>/dev/null || true
wait "$emulator" || status=$?
emulator=""
wait "$tailer" 2>/dev/null || true
echo
echo "engine log:"
cat "$work/engine.out"
if [ "$status" -ne 0 ]; then
  echo "run.sh: the tester did not get every expected answer (status $status); the library's debug output:" >&2
  cat "$work/engine.err" >&2
fi
exit "$status"
