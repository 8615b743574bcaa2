# The hardening Debian builds its own packages with (dpkg-buildflags): fortified C library calls,
# the stack protector, PIE, relocations read-only and bound at start. In the Release
# configuration, the build that installs and packages the game (fortified calls need the
# optimiser; the other builds keep their flags); each flag only where the compiler or the linker
# takes it without a word.
#
# Not on Windows: mingw-w64 keeps the stack protector's and the fortified calls' code in libssp, a
# DLL the game must not need, and its linker already makes the executable relocatable (ASLR) and
# its data not executable (DEP).
if(WIN32)
  return()
endif()

# With warnings as errors, a flag the compiler already applies (Ubuntu's GCC defines
# _FORTIFY_SOURCE=3 itself, and redefining it is a warning) is left to the compiler.
include(CheckCXXCompilerFlag)
set(CMAKE_REQUIRED_FLAGS "-O2 -Werror")
check_cxx_compiler_flag(-D_FORTIFY_SOURCE=2 QUIRELO_TEM_FORTIFY)
check_cxx_compiler_flag(-fstack-protector-strong QUIRELO_TEM_PROTETOR_DE_PILHA)
check_cxx_compiler_flag(-fPIE QUIRELO_TEM_FPIE)
unset(CMAKE_REQUIRED_FLAGS)
include(CheckLinkerFlag)
check_linker_flag(CXX -pie QUIRELO_TEM_PIE)
if(QUIRELO_TEM_FORTIFY)
  add_compile_definitions($<$<CONFIG:Release>:_FORTIFY_SOURCE=2>)
endif()
if(QUIRELO_TEM_PROTETOR_DE_PILHA)
  add_compile_options($<$<CONFIG:Release>:-fstack-protector-strong>)
endif()
# PIE (Debian's compilers make it by default, others may not): every object compiled for a
# position-independent executable (the project's libraries are only linked into executables),
# every executable linked as one.
if(QUIRELO_TEM_FPIE AND QUIRELO_TEM_PIE)
  add_compile_options($<$<CONFIG:Release>:-fPIE>)
  add_link_options($<$<AND:$<CONFIG:Release>,$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>>:-pie>)
endif()

# -z relro -z now are ELF linkers' options (GNU ld, gold, lld); macOS's ld64 has no -z.
if(NOT APPLE)
  check_linker_flag(CXX LINKER:-z,relro,-z,now QUIRELO_TEM_RELRO_NOW)
  if(QUIRELO_TEM_RELRO_NOW)
    add_link_options($<$<CONFIG:Release>:LINKER:-z,relro,-z,now>)
  endif()
endif()
