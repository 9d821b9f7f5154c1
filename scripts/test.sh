#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build under
# wine. Installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/check-layout.sh
bash scripts/deps.sh --test --bench

jobs=$(nproc)
run_ctest() {
  # The SDL tests want a display: give them a virtual one when there is none.
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --test-dir "$1" --output-on-failure --no-tests=error -j "$jobs"
  else
    ctest --test-dir "$1" --output-on-failure --no-tests=error -j "$jobs"
  fi
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPROX_WERROR=ON -DSPROX_BENCH=ON
cmake --build build -j "$jobs"
run_ctest build
# The library installed and used from outside the tree.
bash scripts/consumer-check.sh build

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DSPROX_WERROR=ON -DSPROX_SANITIZE=ON
cmake --build build-san -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-san

# Tests that skip as root (a read-only folder, an unreadable file) run as an
# unprivileged user, and must not skip there.
if [ "$(id -u)" = 0 ]; then
  id sproxtest >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin sproxtest
  setpriv --reuid=sproxtest --regid=sproxtest --clear-groups build-san/tests/packager_tests \
    --gtest_filter='Mx4Pack.ReadOnlyFolder:Store.AFileThatCanNotBeReadIsNotReplaced' | tee build-san/unprivileged.log
  if grep -q SKIPPED build-san/unprivileged.log; then echo "a test skipped as an unprivileged user"; exit 1; fi
fi

# Soak: the demo off screen, optimised, under the sanitizers, for SOAK_FRAMES frames
# of scripted input, sound on SDL's dummy driver, full screen switched every 500
# frames; any leak or error fails it.
cmake -S . -B build-soak -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPROX_SANITIZE=ON -DSPROX_BENCH=OFF -DSPROX_TESTS=OFF
cmake --build build-soak -j "$jobs" --target sprox_demo
env -u DISPLAY SDL_AUDIODRIVER=dummy SDL_FRAMEBUFFER_ACCELERATION=0 ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS=suppressions=tests/lsan.supp timeout 600 build-soak/examples/demo/sprox_demo \
  --frames "${SOAK_FRAMES:-20000}" --toggle 500 --script --png build-soak/soak.png

# The file-reader fuzzers, for a bounded time each.
bash scripts/fuzz.sh "${FUZZ_SECONDS:-45}"

bash scripts/test-windows.sh
