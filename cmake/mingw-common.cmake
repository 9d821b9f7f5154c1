# What the MinGW-w64 tool-chain files share: the posix-thread compilers of
# SPROX_MINGW_PREFIX (GoogleTest does not build with the win32-thread ones) and
# libraries, headers and packages looked up in that target's root only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${SPROX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SPROX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SPROX_MINGW_PREFIX}-windres)
set(CMAKE_DLLTOOL ${SPROX_MINGW_PREFIX}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${SPROX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
