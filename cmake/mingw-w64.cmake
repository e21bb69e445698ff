# Cross build for Windows with Debian's mingw-w64 compilers (posix thread model), included
# by the toolchain files mingw-w64-i686.cmake (the product: 32-bit Windows) and
# mingw-w64-x86_64.cmake (64-bit, for running the tests under wine on a machine that
# cannot execute 32-bit code). VELMARK_MINGW_PREFIX names the compilers.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model carries std::thread and std::mutex; take it whatever the system's
# default alternative is.
find_program(CMAKE_CXX_COMPILER NAMES ${VELMARK_MINGW_PREFIX}-g++-posix ${VELMARK_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VELMARK_MINGW_PREFIX}-gcc-posix ${VELMARK_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${VELMARK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMARK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs that need no DLL beyond Windows' own: the C++ and thread run time linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under wine (CTest prefixes them with it).
find_program(VELMARK_WINE NAMES ${VELMARK_WINE_NAME} PATHS /usr/lib/wine)
if(VELMARK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMARK_WINE})
endif()
