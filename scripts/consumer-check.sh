#!/usr/bin/env bash
# Uses Sprox as a game developer would: installs a build into a temporary prefix,
# checks that the installed library exports the 23 SX_ functions of sprox.h and
# nothing else, builds examples/minimal outside the tree twice (make with
# pkg-config, CMake with find_package(Sprox)), runs both games off screen and
# compares what they drew, runs the installed demo, and makes the Debian packages.
#   scripts/consumer-check.sh [BUILD]     (a configured build folder; default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "consumer check: $*" >&2; exit 1; }

cmake --build "$build" -j "$(nproc)" --target sproxrt mx4pack mx4list dartool sprox_demo
cmake --install "$build" --prefix "$prefix"

lib=$(find "$prefix" -name libsproxrt.so.1)
[ -n "$lib" ] || fail "no libsproxrt.so.1 installed"
soname=$(objdump -p "$lib" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = libsproxrt.so.1 ] || fail "SONAME is '$soname'"
nm -D --defined-only "$lib" | awk '{ print $NF }' | sort > "$work/exports"
sed -n 's/^SXEXPORT .*\(SX_[A-Za-z]*\)(.*/\1/p' include/sprox.h | sort > "$work/declared"
[ "$(wc -l < "$work/declared")" -eq 23 ] || fail "sprox.h declares $(wc -l < "$work/declared") exports"
diff "$work/declared" "$work/exports" || fail "the library's dynamic symbols differ from sprox.h's exports"

pcdir=$(dirname "$(find "$prefix" -name sproxrt.pc)")
cp -r examples/minimal "$work/make"
rm -rf "$work/make/build"
PATH="$prefix/bin:$PATH" PKG_CONFIG_PATH="$pcdir" make -C "$work/make" -s
cmake -S examples/minimal -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release
cmake --build "$work/cmake"

# 90 frames off screen; each game writes its last frame as a BMP.
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy   # also under a display
for way in make cmake; do
  (cd "$work/$way" && ./game 90 "$work/$way.bmp") || fail "the game built with $way failed"
done
cmp "$work/make.bmp" "$work/cmake.bmp" || fail "the two games drew different pictures"
# The background and the ship's four colours, at least.
offset=$(od -An -tu4 -j10 -N4 "$work/make.bmp" | tr -d ' ')
colours=$(od -An -v -tx4 -w4 -j "$offset" "$work/make.bmp" | sort -u | wc -l)
[ "$colours" -ge 5 ] || fail "the game's picture has $colours colours"

"$prefix/bin/sprox_demo" --frames 2 --png "$work/demo.png" > /dev/null || fail "the installed demo failed"

(cd "$build" && cpack -G DEB -B "$work/deb" > /dev/null) || fail "cpack -G DEB failed"
for package in libsproxrt1 libsproxrt-dev sprox-tools; do
  deb=$(ls "$work"/deb/"$package"_*.deb 2> /dev/null) || fail "no $package package"
  echo "$(basename "$deb"): $(dpkg-deb -c "$deb" | grep -c -v '/$') files"
done
# The listing is read whole: grep -q stops at the first match, and with pipefail
# the listing cut off by it would count as a failure.
listing=$(dpkg-deb -c "$work"/deb/libsproxrt1_*.deb)
grep -q 'libsproxrt\.so\.1 ' <<< "$listing" || fail "libsproxrt1 lacks libsproxrt.so.1"

echo "consumer check: $(wc -l < "$work/exports") exports, both games drew $colours colours, packages made"
