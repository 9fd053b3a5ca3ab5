#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the whole suite with address and
# undefined-behaviour sanitizers, then the concurrency tests under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTARVICO_SANITIZE=address -DTARVICO_WERROR=ON -DTARVICO_BENCHMARKS=ON
cmake --build "$root/build/asan" -j "$jobs"
ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs" --timeout 300

cmake -S "$root" -B "$root/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTARVICO_SANITIZE=thread -DTARVICO_WERROR=ON -DTARVICO_BENCHMARKS=OFF
cmake --build "$root/build/tsan" -j "$jobs"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$root/build/tsan" --output-on-failure -j "$jobs" --timeout 300 -L concurrency
