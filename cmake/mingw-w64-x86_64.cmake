# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUIRELO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUIRELO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUIRELO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUIRELO_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUIRELO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime and the threads library linked in, so that the .exe runs on its own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
