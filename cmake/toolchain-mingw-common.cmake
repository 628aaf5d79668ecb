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
find_program(TIDEWARDEN_WINE wine)
if(TIDEWARDEN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TIDEWARDEN_WINE})
endif()
