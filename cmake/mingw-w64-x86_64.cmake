# Cross-compiles the Windows program with mingw-w64 for 64-bit Windows.
set(Q836_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
