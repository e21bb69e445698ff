#!/usr/bin/env bash
# Cross-builds the Windows programs and test programs with mingw-w64 and runs every test
# program once under wine. The product is the 32-bit build (build-win); on a machine whose
# kernel cannot execute 32-bit programs (no 32-bit wine), the same code is built for 64-bit
# Windows (build-win64) and run under wine64 instead, and the 32-bit build is only compiled
# (its request-block layouts are checked by static_assert either way).
set -euo pipefail
cd "$(dirname "$0")/.."

toolchain() {
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="cmake/$2"
  cmake --build "$1" -j2
}

toolchain build-win mingw-w64-i686.cmake

if /usr/lib/wine/wine --version >/dev/null 2>&1 && [[ -x build-win/bin/platform_tests.exe ]] &&
  WINEPREFIX=${WINEPREFIX:-/tmp/velmark-wine32} WINEARCH=win32 WINEDEBUG=-all \
    wineboot -i >/dev/null 2>&1; then
  export WINEPREFIX=${WINEPREFIX:-/tmp/velmark-wine32} WINEARCH=win32 WINEDEBUG=-all
  ctest --test-dir build-win --output-on-failure
else
  echo "This machine cannot run 32-bit programs: the tests run as 64-bit programs under wine64."
  toolchain build-win64 mingw-w64-x86_64.cmake
  export WINEPREFIX=${WINEPREFIX64:-/tmp/velmark-wine64} WINEDEBUG=-all
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  ctest --test-dir build-win64 --output-on-failure
fi
