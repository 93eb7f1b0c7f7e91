# Shared part of the Windows toolchain files: MinGW-w64's -posix compilers (the plain names are the -win32
# variant, which lacks std::thread and std::mutex), everything linked statically so that a program needs only
# the system's own DLLs, and Wine to run what is built. Set QUORRIX_MINGW_TRIPLE and QUORRIX_WINEARCH first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QUORRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORRIX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs each test program through this, in a private Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${QUORRIX_WINEARCH})
