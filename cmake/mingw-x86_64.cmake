# Cross build for 64-bit Windows with MinGW-w64 on Debian:
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
# Test programs run under 64-bit wine, whose loader Debian keeps off the PATH.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SPROX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
