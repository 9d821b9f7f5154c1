#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build under
# wine. Installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --bench

jobs=$(nproc)
run_ctest() {
  # The SDL tests want a display: give them a virtual one when there is none.
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$1" --output-on-failure -j "$jobs"
  else
    ctest --test-dir "$1" --output-on-failure -j "$jobs"
  fi
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPROX_BENCH=ON
cmake --build build -j "$jobs"
run_ctest build

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DSPROX_SANITIZE=ON -DSPROX_BENCH=OFF
cmake --build build-san -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-san

# The file-reader fuzzers, for a bounded time each.
bash scripts/fuzz.sh "${FUZZ_SECONDS:-45}"

bash scripts/test-windows.sh
