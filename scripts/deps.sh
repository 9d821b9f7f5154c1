#!/usr/bin/env bash
# Installs the Debian packages that are missing (run as root on Debian 12):
#   scripts/deps.sh            what the library, the tools and the demo need
#   scripts/deps.sh --test     and the tests: GoogleTest, clang and its fuzzer
#                              run-time, a virtual X display, X11 headers
#   scripts/deps.sh --bench    and the benchmarks: Google Benchmark, the peer
#                              libraries, valgrind
#   scripts/deps.sh --windows  and the Windows cross build and wine (with the tests)
# --test and --bench may be combined.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libpng-dev libimagequant-dev
)
for arg in "$@"; do
  case "$arg" in
    --test | --windows) packages+=(googletest libgtest-dev libx11-dev xvfb xauth clang libclang-rt-dev) ;;
    --bench) packages+=(libbenchmark-dev liballegro4-dev libsdl2-gfx-dev valgrind) ;;
  esac
done
# The Windows cross builds and Wine to test them: the posix-thread MinGW compilers
# for i686 and x86-64 (GoogleTest needs them), 32-bit and 64-bit Wine, and the i386
# GL and input libraries without which DirectDraw video-memory surfaces and cursor
# clipping fail under 32-bit Wine.
if [[ " $* " == *" --windows "* ]]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
  fi
  packages+=(wine wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libxi6:i386 libasound2:i386 g++-mingw-w64-i686-posix
            wine64 g++-mingw-w64-x86-64-posix)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
