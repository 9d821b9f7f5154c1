#!/usr/bin/env bash
# Installs the Debian packages the build, the demo, the tests and the benchmarks need,
# when any is missing. Run as root on Debian 12.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libpng-dev libx11-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth
  clang libclang-rt-dev
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(liballegro4-dev libsdl2-gfx-dev valgrind)
fi
# The Windows cross builds and Wine to test them: the posix-thread MinGW compilers
# for i686 and x86-64 (GoogleTest needs them), 32-bit and 64-bit Wine, and the i386
# GL and input libraries without which DirectDraw video-memory surfaces and cursor
# clipping fail under 32-bit Wine.
if [ "${1:-}" = "--windows" ]; then
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
