# Cross-compiles the Windows program with mingw-w64 for 32-bit Windows.
set(Q836_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# SSE2 arithmetic: doubles rounded once, as on 64-bit Windows.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
