#!/usr/bin/env bash
# Cross-builds the Windows deliverables (sproxrt.dll and the test programs) with
# MinGW-w64 and runs every test under wine, in a fresh wine prefix on a virtual X
# display of its own. Installs what it needs (as root on Debian 12). Arguments go
# to ctest, e.g. -R Guard to run some tests only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --windows

build=build-win
jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSPROX_BENCH=OFF
cmake --build "$build" -j "$jobs"

# Wine quiet, without the .NET and HTML engines and menu entries, in a prefix made
# anew for each run.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX="$PWD/$build/wineprefix"
rm -rf "$WINEPREFIX"

# A 24-bit virtual screen; Xvfb names its display on descriptor 3 once it is ready.
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$displayfile"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$displayfile" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$displayfile" ] || { echo "Xvfb gave no display" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$displayfile")"

wineboot -i
wineserver -w
# Every window in one virtual desktop (full-screen modes of its size, no window
# manager round trips), and a crashing program ends instead of showing a dialog.
cat > "$WINEPREFIX/sprox.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
(cd "$WINEPREFIX" && wine regedit /S sprox.reg)
wineserver -k
# One wine server for all the tests that follow, until the clean-up stops it. The
# first program started brings up wine's own background processes, which keep its
# output open: start them here, away from the pipes through which ctest reads.
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1

rm -rf "$build/tests/xml"
# ctest lists and runs each test case through wine (the build's emulator), one
# process per case, with a time-out per case and an XML report beside each test.
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
