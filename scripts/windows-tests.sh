#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64 and runs the test programs under wine.
# The product is the 32-bit build (build-win); on a machine whose kernel cannot execute
# 32-bit programs (no 32-bit wine), the same code is built for 64-bit Windows (build-win64)
# and run under wine64 instead, and the 32-bit build is only compiled (its request-block
# layouts are checked by static_assert either way).
#
# Every test program runs under wine but those of the Linux host (its devices, /dev, /sys
# and its registry files; platform_tests leaves those out on Windows, and cli_tests its
# Linux device names). Each test program starts once: a wine start costs 0.2-0.5 s. The
# window toolkit's Windows drawing runs under Xvfb (about 5 s: each window takes 2 s there).
# Cost on the 2-core machine (load 2-5): the 13 test programs take 18-50 s under wine64
# (drive_tests 5-20 s, scan_tests 4-5 s, app_tests 3-9 s, the rest up to 3 s each);
# building the seven added in this stage (sim, drive, scan, report, plot, app, cli) costs
# about 5 minutes on top of the libraries' build.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=(platform_tests scsi_tests transport_tests transport_alloc_tests velmark_diag_tests
       velmark_toolkit_tests sim_tests drive_tests scan_tests report_tests plot_tests app_tests
       cli_tests)
regex="^($(IFS='|'; echo "${tests[*]}"))\$"
# The window toolkit's drawing on the system's controls needs a display: run under Xvfb.
display_tests=(velmark_toolkit_win32_tests)

toolchain() {
  local dir=$1 file=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="cmake/$file"
  cmake --build "$dir" -j2 --target "$@"
}

toolchain build-win mingw-w64-i686.cmake velmark-cli velmark-probe velmark velmark-sim velmark-scan

# The 32-bit programs must start on Windows 2000 and XP: none imports a function of later
# systems (those a tool chain's libraries are known to pull in).
late='GetTickCount64|AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|FlsAlloc'
late+='|InitializeConditionVariable|SleepConditionVariable(CS|SRW)|AcquireSRWLock(Exclusive|Shared)'
late+='|InitOnceExecuteOnce|GetFileInformationByHandleEx|CreateSymbolicLink[AW]'
for exe in build-win/bin/{velmark,velmark-sim,velmark-scan,velmark-cli,velmark-probe}.exe; do
  if i686-w64-mingw32-objdump -p "$exe" | grep -wE "$late"; then
    echo "$exe imports functions that Windows 2000 and XP lack"
    exit 1
  fi
done

# The Linux build's report and drive list, to compare with the Windows ones line by line.
linux_report=$(build/bin/velmark-cli --sim --colour never 2>/dev/null || true)
linux_list=$(build/bin/velmark-cli --sim --list --colour never 2>/dev/null || true)

if /usr/lib/wine/wine --version >/dev/null 2>&1 &&
  WINEPREFIX=${WINEPREFIX:-/tmp/velmark-wine32} WINEARCH=win32 WINEDEBUG=-all \
    wineboot -i >/dev/null 2>&1; then
  export WINEPREFIX=${WINEPREFIX:-/tmp/velmark-wine32} WINEARCH=win32 WINEDEBUG=-all
  dir=build-win
  toolchain "$dir" mingw-w64-i686.cmake "${tests[@]}" "${display_tests[@]}"
  wine=(/usr/lib/wine/wine)
else
  echo "This machine cannot run 32-bit programs: the tests run as 64-bit programs under wine64."
  export WINEPREFIX=${WINEPREFIX64:-/tmp/velmark-wine64} WINEDEBUG=-all
  dir=build-win64
  toolchain "$dir" mingw-w64-x86_64.cmake velmark-cli "${tests[@]}" "${display_tests[@]}"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  wine=(/usr/lib/wine/wine64)
fi
ctest --test-dir "$dir" --output-on-failure -R "$regex"
# A wine session started without a display keeps none: wait for it to end first.
/usr/lib/wine/wineserver -w
for test in "${display_tests[@]}"; do
  # wine's processes end (wineserver -w) before the display goes away.
  xvfb-run -a -s '-screen 0 800x600x24' \
    bash -c '"$1" "$2"; status=$?; /usr/lib/wine/wineserver -w; exit $status' - \
    "${wine[0]}" "$dir/bin/$test.exe"
done

windows_report=$("${wine[@]}" "$dir/bin/velmark-cli.exe" --sim --colour never 2>/dev/null | tr -d '\r')
if [[ "$windows_report" != "$linux_report" ]]; then
  echo "velmark-cli.exe --sim differs from the Linux build's report:"
  diff <(echo "$linux_report") <(echo "$windows_report") || true
  exit 1
fi
echo "velmark-cli.exe --sim prints the Linux build's report line for line."
windows_list=$("${wine[@]}" "$dir/bin/velmark-cli.exe" --sim --list --colour never 2>/dev/null |
  tr -d '\r')
if [[ "$windows_list" != "$linux_list" ]]; then
  echo "velmark-cli.exe --sim --list differs from the Linux build's drive list:"
  diff <(echo "$linux_list") <(echo "$windows_list") || true
  exit 1
fi
echo "velmark-cli.exe --sim --list prints the Linux build's drive list line for line."
