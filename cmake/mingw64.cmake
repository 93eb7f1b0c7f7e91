# Cross-compiles the same code for 64-bit x86 Windows. Only for running the tests under 64-bit Wine on a host
# that cannot execute 32-bit code (a kernel without IA-32 emulation); the program itself is 32-bit.
set(QUORRIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(QUORRIX_WINEARCH win64)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
