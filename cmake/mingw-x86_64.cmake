# Cross build for 64-bit Windows with MinGW-w64 on Debian:
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
# The posix-thread compiler is used because GoogleTest does not build with the
# win32-thread one. Test programs run under 64-bit wine, whose loader Debian keeps
# off the PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SPROX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SPROX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SPROX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SPROX_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${SPROX_MINGW_PREFIX}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${SPROX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
