# 32-bit Windows, the primary target: the monitor's probe service that
# starts us is a 32-bit process. Use: cmake -DCMAKE_TOOLCHAIN_FILE=<this>.
set(TIDEWARDEN_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
