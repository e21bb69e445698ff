#!/usr/bin/env bash
# Screenshots of velmark-sim.exe under wine and Xvfb: the window on the simulated machine
# before and after a speed test (docs/windows-before.png, docs/windows-after.png).
#
# Uses the Windows build of scripts/windows-tests.sh (build-win, or build-win64 where this
# machine cannot run 32-bit programs) and wine's own window frame (no window manager runs
# under Xvfb). The Start button is clicked with xdotool at its place in the window; the
# test on the simulated 52x drive takes about 3 s.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" != --inside ]]; then
  exec xvfb-run -a -s '-screen 0 800x600x24' "$0" --inside
fi

if [[ -x build-win/bin/velmark-sim.exe ]] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  program=build-win/bin/velmark-sim.exe
  wine=/usr/lib/wine/wine
  export WINEPREFIX=${WINEPREFIX:-/tmp/velmark-wine32}
else
  program=build-win64/bin/velmark-sim.exe
  wine=/usr/lib/wine/wine64
  export WINEPREFIX=${WINEPREFIX64:-/tmp/velmark-wine64}
fi
export WINEDEBUG=-all
"$wine" wineboot -i >/dev/null 2>&1 || true
# A wine session started without a display keeps none: the program starts a fresh one.
/usr/lib/wine/wineserver -w
# Wine draws the windows' frames itself, as Windows does.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1

"$wine" "$program" &
window=
for _ in $(seq 1 60); do
  window=$(xdotool search --name '^Velmark' 2>/dev/null | head -1 || true)
  [[ -n "$window" ]] && break
  sleep 0.5
done
if [[ -z "$window" ]]; then
  echo "the window of $program did not appear" >&2
  exit 1
fi
sleep 2  # the drive list and the capacity of the disc
import -window "$window" docs/windows-before.png

# Start: at (39, 161) of the client area, which lies inside wine's frame of a sizeable
# window (4-pixel border, 19-pixel caption, the classic metrics).
xdotool mousemove --window "$window" $((4 + 39)) $((4 + 19 + 161)) click 1
sleep 8  # the test, and the report's last lines
import -window "$window" docs/windows-after.png

# Closed with the close button of wine's caption, as a user would; wine then ends.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH - 4 - 9)) $((4 + 9)) click 1
if ! timeout 20 /usr/lib/wine/wineserver -w; then
  echo "the window did not close: its wine processes are ended" >&2
  /usr/lib/wine/wineserver -k || true
fi
echo "wrote docs/windows-before.png and docs/windows-after.png"
