#!/usr/bin/env bash
# Cross-builds the Windows sound and input facilities with their tests
# (tests/win32_io) and runs the tests under wine, each test case in a process of
# its own: the NullDevice... suites with Wine on an ALSA null device
# (tests/win32_io/null-alsa.conf), every other one on a machine without sound.
# A skipped test counts as a failure here, since each runs on the machine it
# asks for. Needs i686-w64-mingw32-g++-posix, wine and /usr/src/googletest.
# Usage: scripts/check-win32-io.sh [gtest filter, e.g. 'Win32Keys.*']
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-win32io
cxx=i686-w64-mingw32-g++-posix
gtest=/usr/src/googletest/googletest
flags=(-std=c++20 -O2 -Wall -Wextra -Werror -DSPROX_BUILD -I include -I .)
mkdir -p "$out/obj" "$out/mixer" "$out/gtest"

# GoogleTest, with the cross compiler, once.
if [ ! -f "$out/gtest/libgtest.a" ]; then
  for part in gtest-all gtest_main; do
    $cxx -std=c++20 -O2 -I "$gtest/include" -I "$gtest" -c "$gtest/src/$part.cc" -o "$out/gtest/$part.o"
  done
  i686-w64-mingw32-ar rcs "$out/gtest/libgtest.a" "$out/gtest/gtest-all.o"
fi

# The core, the two facilities and the tests, two compilations at a time.
sources=(sprox/frame/*.cpp sprox/display/*.cpp sprox/pattern/*.cpp sprox/blit/*.cpp sprox/sound/*.cpp
         sprox/input/*.cpp sprox/sys/*.cpp sprox/sys/win32/win32_sound.cpp sprox/sys/win32/win32_input.cpp
         tests/win32_io/*.cpp)
rm -f "$out"/obj/*.o
running=0
for source in "${sources[@]}"; do
  object=$out/obj/$(tr / _ <<<"${source%.cpp}").o
  $cxx "${flags[@]}" -I "$gtest/include" -c "$source" -o "$object" &
  running=$((running + 1))
  if [ "$running" -ge 2 ]; then wait -n; running=$((running - 1)); fi
done
while [ "$running" -gt 0 ]; do wait -n; running=$((running - 1)); done
$cxx -static -o "$out/win32_io_tests.exe" "$out"/obj/*.o "$out/gtest/gtest_main.o" "$out/gtest/libgtest.a" -lwinmm
# The stand-in mixer: undecorated names for its __stdcall entry points.
$cxx "${flags[@]}" -shared -static -Wl,--kill-at tests/win32_io/standin/wavemix_standin.cpp \
  -o "$out/mixer/WavMix32.dll"
cp tests/win32_io/null-alsa.conf "$out/"

# A fresh, quiet wine prefix; one wine server for every run, stopped at the end.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/sprox-win32io.XXXXXX)
unset ALSA_CONFIG_PATH
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
timeout 180 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w
wineserver -p
# Wine's background processes start with the first program and keep its output
# open: start them here, and let every test write to a file, not to a pipe.
timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1

cd "$out"
filter=${1:-*}
timeout 120 wine ./win32_io_tests.exe --gtest_list_tests "--gtest_filter=$filter" >list.txt 2>&1 </dev/null
mapfile -t cases < <(tr -d '\r' <list.txt | awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }')
[ "${#cases[@]}" -gt 0 ] || { echo "no test cases listed" >&2; exit 1; }
# The machine without sound first, then the null device.
mapfile -t cases < <(printf '%s\n' "${cases[@]}" | grep -v '^NullDevice'
                     printf '%s\n' "${cases[@]}" | grep '^NullDevice')

failed=()
for name in "${cases[@]}"; do
  [ -n "$name" ] || continue
  environment=()
  case $name in
    NullDevice*) environment=(ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$out/null-alsa.conf") ;;
  esac
  env "${environment[@]}" timeout 120 wine ./win32_io_tests.exe "--gtest_filter=$name" >case.txt 2>&1 </dev/null &&
    rc=0 || rc=$?
  log=$(tr -d '\r' <case.txt)
  if [ "$rc" -ne 0 ] || grep -q '^\[  SKIPPED \]' <<<"$log" || ! grep -q '^\[  PASSED  \] 1 test' <<<"$log"; then
    failed+=("$name")
    printf 'FAILED  %s (exit %s)\n%s\n' "$name" "$rc" "$log"
  else
    printf 'passed  %s\n' "$name"
  fi
done
echo "${#cases[@]} test cases, ${#failed[@]} failed"
[ "${#failed[@]}" -eq 0 ]
