# A 64-bit Windows build of the same code, for running it under wine64 where the machine
# cannot execute 32-bit programs (and so 32-bit wine):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMARK_MINGW_PREFIX x86_64-w64-mingw32)
set(VELMARK_WINE_NAME wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
