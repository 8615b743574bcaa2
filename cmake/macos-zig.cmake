# Cross-compiles the game for macOS 11 and later, arm64 or x86_64, with zig's clang: zig brings
# macOS's C headers and libSystem's link stubs, and builds libc++ for the target itself.
#   cmake --preset macos            (arm64; macos-x86_64 for Intel Macs; scripts/test installs zig)
# QUIRELO_ZIG: the zig executable (0.11). QUIRELO_MACOS_ARQUITETURA: arm64 (the default) or
# x86_64. QUIRELO_MACOS_SDK: where curses.h, term.h and libncurses are found, laid out as in a
# macOS SDK (usr/include, usr/lib); the presets give the project's stand-in, tests/macos/sdk.
# QUIRELO_ZIG_CACHE: where zig keeps what it builds for the target (libc++), by default in the
# build folder. The game's own objects are never taken from a cache kept elsewhere: zig replays
# no warning for what it takes from its cache, so a new build folder shows every warning.
set(CMAKE_SYSTEM_NAME Darwin)
if(NOT QUIRELO_MACOS_ARQUITETURA)
  set(QUIRELO_MACOS_ARQUITETURA arm64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${QUIRELO_MACOS_ARQUITETURA})
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUIRELO_MACOS_ARQUITETURA QUIRELO_MACOS_SDK)

# zig's commands as CMake calls a compiler and an archiver: one script each in the build folder's
# zig/, written once by the build itself (CMake's compiler checks read this file again, and use
# the compiler it found).
get_property(quirelo_verificacao GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT quirelo_verificacao)
  foreach(variavel QUIRELO_ZIG QUIRELO_MACOS_SDK)
    if(NOT ${variavel})
      message(FATAL_ERROR "The macOS build needs -D${variavel}=... (${CMAKE_CURRENT_LIST_FILE})")
    endif()
  endforeach()
  if(NOT QUIRELO_ZIG_CACHE)
    set(QUIRELO_ZIG_CACHE ${CMAKE_BINARY_DIR}/zig/global)
  endif()
  string(REPLACE arm64 aarch64 quirelo_alvo ${QUIRELO_MACOS_ARQUITETURA}-macos.11.0)
  foreach(quirelo_comando c++ ar ranlib)
    set(quirelo_opcoes "")
    if(quirelo_comando STREQUAL "c++")
      set(quirelo_opcoes "-target ${quirelo_alvo}")
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/zig.sh.in ${CMAKE_BINARY_DIR}/zig/${quirelo_comando}
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endforeach()
  set(CMAKE_CXX_COMPILER ${CMAKE_BINARY_DIR}/zig/c++)
  set(CMAKE_AR ${CMAKE_BINARY_DIR}/zig/ar CACHE FILEPATH "zig's ar")
  set(CMAKE_RANLIB ${CMAKE_BINARY_DIR}/zig/ranlib CACHE FILEPATH "zig's ranlib")
endif()
# The target is in zig's triple: no -arch, no -mmacosx-version-min, no Mac's own SDK.
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "")
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "")
set(CMAKE_OSX_SYSROOT "" CACHE PATH "")

# Headers and libraries from that SDK only; the host's pkg-config knows the host's libraries only.
set(CMAKE_FIND_ROOT_PATH ${QUIRELO_MACOS_SDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_DISABLE_FIND_PACKAGE_PkgConfig ON)
