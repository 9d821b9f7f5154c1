#!/usr/bin/env bash
# Builds the library and runs the demo game. Without a display the demo runs a
# fixed number of frames off screen and writes a PNG of what it showed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target sprox_demo
./build/examples/demo/sprox_demo "$@"
