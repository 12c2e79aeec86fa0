# Cross-builds native 64-bit Windows programs with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix:
# the POSIX thread model gives std::thread to the tests). The test suite runs under Wine.
# SPDX-License-Identifier: MIT
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(COORD2SEG_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${COORD2SEG_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${COORD2SEG_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${COORD2SEG_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${COORD2SEG_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
