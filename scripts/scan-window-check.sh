#!/usr/bin/env bash
# Compares the scan window's curve with velmark-cli's on the simulated 52x CAV drive, both
# in real time, and measures the window's repaints and its Abort. Needs Xvfb (xvfb-run) and
# a build with scan_window_measure and velmark-cli.
#   scripts/scan-window-check.sh [BLOCKS]    BLOCKS empty: the whole disc
set -euo pipefail
build=${BUILD:-build}
blocks=${1:-}
out=$(mktemp -d)
args=()
[ -n "$blocks" ] && args=(--blocks "$blocks")
xvfb-run -a -s '-screen 0 1280x1024x24' "$build/bin/scan_window_measure" --json "$out/window.json" \
  "${args[@]}" | tee "$out/window.txt"
"$build/bin/velmark-cli" --sim --real-time --curve "${args[@]}" --json "$out/cli.json" > /dev/null
python3 - "$out/window.json" "$out/cli.json" <<'PY'
import json, statistics, sys
w, c = (json.load(open(p)) for p in sys.argv[1:3])
ws, cs = w["samples"], c["samples"]
assert [s["lba"] for s in ws] == [s["lba"] for s in cs], "the zones differ"
d = [abs(a["speed_x"] - b["speed_x"]) / b["speed_x"] * 100 for a, b in zip(ws, cs)]
print(f"samples {len(ws)}")
print(f"window {w['strategy']} {ws[0]['speed_x']:.2f} -> {ws[-1]['speed_x']:.2f}x, "
      f"cli {c['strategy']} {cs[0]['speed_x']:.2f} -> {cs[-1]['speed_x']:.2f}x")
print(f"difference median {statistics.median(d):.2f} % max {max(d):.2f} %")
ok = statistics.median(d) <= 1 and max(d) <= 3 and w["strategy"] == c["strategy"]
print("same curve" if ok else "DIFFERENT")
sys.exit(0 if ok else 1)
PY
if [ -n "$blocks" ]; then
  xvfb-run -a -s '-screen 0 1280x1024x24' "$build/bin/scan_window_measure" --abort-after 1500
fi
