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
