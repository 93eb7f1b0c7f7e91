# Cross-compiles for 32-bit x86 Windows, the program's own platform; tests run under 32-bit Wine.
set(QUORRIX_MINGW_TRIPLE i686-w64-mingw32)
set(QUORRIX_WINEARCH win32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
