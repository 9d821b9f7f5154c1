#!/usr/bin/env bash
# Makes the pictures of the guide: builds docshots, which draws a sprite through
# the library with each draw flag, headless, and writes docs/img/*.png.
#
#   bash scripts/docs-pictures.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2 --target docshots
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$build/tools/docshots" docs/img
