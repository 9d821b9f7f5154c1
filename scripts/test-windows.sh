#!/usr/bin/env bash
# Cross-builds the Windows deliverables with MinGW-w64, checks what needs no Windows
# to run (the DLL's export and import tables; the context record's layout asserts
# compile with the library), and runs the Windows test suite under wine, in a fresh
# wine prefix per architecture on a virtual X display of its own. Installs what it
# needs (as root on Debian 12). Arguments go to ctest, e.g. -R Guard.
#
# Which wine runs what: SPROX_WINE=auto (the default) runs the full suite on the
# i686 build under 32-bit wine and a smoke set on the x86-64 build under 64-bit
# wine; where the kernel cannot execute 32-bit programs, the full suite on the
# x86-64 build instead. SPROX_WINE=32 or 64 runs the full suite on that one only,
# SPROX_WINE=both the full suite on both. Fails when a test fails or when no wine
# that is asked for can start.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --windows

mode=${SPROX_WINE:-auto}
case "$mode" in
  auto|32|64|both) ;;
  *) echo "SPROX_WINE must be auto, 32, 64 or both, not '$mode'" >&2; exit 2 ;;
esac
jobs=$(nproc)
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

# The smoke set: the export table, painting into a real window, full screen in and
# out, one sound, mx4pack.exe end to end.
smoke='^(Dll\..*|Paint\.ScalesAndWrapAround|Entering\.LeavingBringsThePictureBackAndTheDesktop|NullDeviceSoundCore\.WithAWindowPlaysThroughFourDirectSoundBuffers|Mx4PackWindows\.BuildsAPackageBesideTheDefinitionFile)$'
smoke_targets=(sproxrt mx4pack mx4list win32_dll_tests win32_display_tests win32_fullscreen_tests
               win32_io_tests win32_packager_tests)

# configure BUILD TOOLCHAIN [TARGET...]: the cross build; every target when none
# is named.
build() {
  local dir=$1 toolchain=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DSPROX_BENCH=OFF -DSPROX_WERROR=ON >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j "$jobs" --target "$@"
  else
    cmake --build "$dir" -j "$jobs"
  fi
}

# check_dll OBJDUMP DLL: exactly the 23 undecorated names of sproxrt.def exported,
# and the system libraries it imports today, no more (the compiler's run-time
# libraries are linked in).
check_dll() {
  local objdump=$1 dll=$2 table expected exported imported
  table=$("$objdump" -p "$dll")
  expected=$(sed -n 's/^ *\(SX_[A-Za-z]*\).*/\1/p' sprox/sproxrt.def | sort)
  exported=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] \(.*\)$/\1/p' <<<"$table" | sort)
  imported=$(sed -n 's/^\tDLL Name: //p' <<<"$table" | tr '[:lower:]' '[:upper:]' | sort | paste -sd ' ')
  if [ "$exported" != "$expected" ]; then
    echo "$dll exports:" $exported >&2
    echo "expected:" $expected >&2
    return 1
  fi
  if [ "$imported" != "GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL WINMM.DLL" ]; then
    echo "$dll imports: $imported" >&2
    return 1
  fi
  echo "$dll: the 23 exports, imports $imported"
}

# starts LOADER: whether the kernel runs this wine loader (an "Exec format error",
# status 126, where it cannot execute 32-bit programs).
starts() { [ -x "$1" ] && "$1" --version >/dev/null 2>&1; }

can32=no can64=no
starts "$wine32" && can32=yes
starts "$wine64" && can64=yes
full32=no full64=no smoke64=no
case "$mode" in
  auto)
    if [ $can32 = yes ]; then
      full32=yes
      [ $can64 = yes ] && smoke64=yes
    elif [ $can64 = yes ]; then
      full64=yes
    fi ;;
  32) full32=yes ;;
  64) full64=yes ;;
  both) full32=yes full64=yes ;;
esac
plan() {
  local run=() skip=()
  [ $full32 = yes ] && run+=("full suite on i686 under 32-bit wine")
  [ $full64 = yes ] && run+=("full suite on x86-64 under 64-bit wine")
  [ $smoke64 = yes ] && run+=("smoke set on x86-64 under 64-bit wine")
  [ $full32 = no ] && skip+=("i686 tests (32-bit wine $([ $can32 = yes ] && echo "not asked for" || echo "cannot start"))")
  [ $full64 = no ] && [ $smoke64 = no ] && skip+=("x86-64 tests (64-bit wine $([ $can64 = yes ] && echo "not asked for" || echo "cannot start"))")
  local runs skips
  runs=$(printf '%s, ' "${run[@]}")
  skips=$(printf '%s, ' "${skip[@]}")
  runs=${runs%, } skips=${skips%, }
  echo "Windows tests (SPROX_WINE=$mode): run: ${runs:-nothing}; skipped: ${skips:-nothing}"
}
plan

# The i686 deliverables always, checked without running them; its tests only when
# they run.
if [ $full32 = yes ]; then
  build build-win mingw-i686.cmake
else
  build build-win mingw-i686.cmake sproxrt mx4pack mx4list
fi
check_dll i686-w64-mingw32-objdump build-win/bin/sproxrt.dll
if [ $full64 = yes ]; then
  build build-win64 mingw-x86_64.cmake
elif [ $smoke64 = yes ]; then
  build build-win64 mingw-x86_64.cmake "${smoke_targets[@]}"
fi
if [ $full64 = yes ] || [ $smoke64 = yes ]; then
  check_dll x86_64-w64-mingw32-objdump build-win64/bin/sproxrt.dll
fi
if [ $full32 = yes ] && [ $can32 = no ]; then
  echo "32-bit wine cannot start on this machine" >&2
  exit 1
fi
if { [ $full64 = yes ] || [ $smoke64 = yes ]; } && [ $can64 = no ]; then
  echo "64-bit wine cannot start on this machine" >&2
  exit 1
fi
if [ $full32 = no ] && [ $full64 = no ] && [ $smoke64 = no ]; then
  echo "neither 32-bit nor 64-bit wine can start on this machine" >&2
  exit 1
fi

# Wine quiet, without the .NET and HTML engines and menu entries.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# A 24-bit virtual screen; Xvfb names its display on descriptor 3 once it is ready.
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
xvfb=$!
prefixes=()
cleanup() {
  for prefix in "${prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
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

# suite BUILD LOADER NAME [CTEST ARGUMENT...]: the build's tests through LOADER in a
# prefix made anew inside the build folder, with one wine server for all of them.
suite() {
  local build=$1 loader=$2 name=$3 start
  shift 3
  start=$(date +%s)
  export WINEPREFIX="$PWD/$build/wineprefix"
  prefixes+=("$WINEPREFIX")
  rm -rf "$WINEPREFIX"
  "$loader" wineboot -i
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
  (cd "$WINEPREFIX" && "$loader" regedit /S sprox.reg)
  wineserver -k
  # The first program started brings up wine's own background processes, which
  # keep its output open: start them here, away from the pipes through which ctest
  # reads.
  wineserver -p
  "$loader" cmd /c exit </dev/null >/dev/null 2>&1
  rm -rf "$build/tests/xml"
  # ctest lists and runs each test case through wine (the build's emulator), one
  # process per case, with a time-out per case and an XML report beside each test.
  local status=0
  ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@" | tee "$build/ctest.log" || status=$?
  echo "Windows $name: $(grep -E 'tests passed' "$build/ctest.log" | tail -n 1) ($(( $(date +%s) - start )) s)"
  # Wine's loader itself has been seen to die of a segmentation fault once in a
  # while as a test program ends, after the test had passed. When every failed
  # case died that way, and only then, those cases run once more, one at a time,
  # and the suite stands on that second run; any other failure stands as it is.
  local failures
  failures=$(sed -n '/^The following tests FAILED:/,$p' "$build/ctest.log" | grep -E '^[[:space:]]+[0-9]+ - ' || true)
  if [ $status -ne 0 ] && [ -n "$failures" ] && ! grep -qv '(SEGFAULT)$' <<< "$failures"; then
    echo "Windows $name: crashed by a signal, run once more:"
    echo "$failures"
    status=0
    ctest --test-dir "$build" --output-on-failure --rerun-failed -j 1 | tee "$build/ctest-again.log" || status=$?
    echo "Windows $name, the crashed cases again: $(grep -E 'tests passed' "$build/ctest-again.log" | tail -n 1)"
  fi
  wineserver -k 2>/dev/null || true
  return $status
}

failed=0
if [ $full32 = yes ]; then
  suite build-win "$wine32" "full suite, i686 under 32-bit wine" "$@" || failed=1
fi
if [ $full64 = yes ]; then
  suite build-win64 "$wine64" "full suite, x86-64 under 64-bit wine" "$@" || failed=1
fi
if [ $smoke64 = yes ]; then
  suite build-win64 "$wine64" "smoke set, x86-64 under 64-bit wine" -R "$smoke" "$@" || failed=1
fi
exit $failed
