# 64-bit Windows. Use: cmake -DCMAKE_TOOLCHAIN_FILE=<this>.
set(TIDEWARDEN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TIDEWARDEN_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
