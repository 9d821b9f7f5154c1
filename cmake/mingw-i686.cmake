# Cross build for 32-bit Windows with MinGW-w64 on Debian:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
# The posix-thread compiler is used because GoogleTest does not build with the
# win32-thread one. Test programs run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(SPROX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${SPROX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SPROX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SPROX_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${SPROX_MINGW_PREFIX}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${SPROX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
