# Shared part of the MinGW-w64 cross builds; the per-target files set
# TIDEWARDEN_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include this.
#
# The -posix compilers are the ones whose libstdc++ has std::thread and
# std::mutex, which GoogleTest's Windows port expects of a full toolchain.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TIDEWARDEN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIDEWARDEN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TIDEWARDEN_MINGW_TRIPLE}-windres)

# Libraries and headers come from the target's sysroot only, never from the
# build machine; programs (wine, python) from the build machine only.
set(CMAKE_FIND_ROOT_PATH /usr/${TIDEWARDEN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest starts the Windows test binaries through Wine. The prefix and the
# quiet settings are given per test (tests/CMakeLists.txt), so a plain
# `ctest` in the cross build directory works without a prepared shell.
# Debian's `wine` command picks Wine's 32-bit loader whenever wine32 is
# installed, and a kernel without 32-bit support cannot run that one at all:
# the 64-bit build names Wine's 64-bit loader (TIDEWARDEN_WINE_NAMES), which
# Debian keeps out of PATH in /usr/lib/wine.
find_program(TIDEWARDEN_WINE NAMES ${TIDEWARDEN_WINE_NAMES} wine HINTS /usr/lib/wine)
if(TIDEWARDEN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TIDEWARDEN_WINE})
endif()
