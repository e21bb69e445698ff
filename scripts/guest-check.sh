#!/usr/bin/env bash
# Runs velmark-probe and velmark-cli on emulated CD drives in a real Linux kernel, beside
# sg_dd and sg_read in the same guest boot, and prints a table of medians.
#
#   scripts/guest-check.sh                    # all variants below
#   VARIANTS="ide virtio" scripts/guest-check.sh
#
# It uses the emulated-drive harness beside the project (QEMU_CD, default
# ../shared/qemu-cd from the project's root), which installs QEMU with apt-get and fetches a
# Debian kernel package on its first run. The guests run under software emulation: a full
# run takes several minutes of CPU. The programs come from BUILD_DIR (default build/), as
# built by `cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo`.
#
# In every boot: velmark-probe, velmark-cli --list, a raw test (270 blocks from LBA 0), then
# three alternating rounds of the timed reads. At full speed each round reads BLOCKS
# (49,000) blocks from LBA 0 with velmark-cli (default and --no-display), sg_dd (linear,
# SG_IO on /dev/sr0) and sg_read (27 blocks re-read, with and without dio=1). On a
# throttled drive (NAME@Nx) each round is one velmark-cli test of THROTTLED_BLOCKS (10,000).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ -z "${QEMU_CD:-}" ]]; then
  # Beside the project's checkout; from a linked worktree, beside the main checkout.
  QEMU_CD=$ROOT/../shared/qemu-cd
  if [[ ! -d "$QEMU_CD" ]] && common=$(git -C "$ROOT" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
    QEMU_CD=$(dirname "$common")/../shared/qemu-cd
  fi
fi
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
VARIANTS=${VARIANTS:-"ide virtio ahci lsi ide@8x virtio@8x"}
BLOCKS=${BLOCKS:-49000}
THROTTLED_BLOCKS=${THROTTLED_BLOCKS:-10000}
ROUNDS=${ROUNDS:-3}
OUT=${OUT:-/tmp/velmark-guest-check}
export BUILD=${GUEST_BUILD:-/tmp/velmark-guest-check/harness}

[[ -x "$QEMU_CD/run.sh" ]] || { echo "guest-check: no harness at $QEMU_CD (set QEMU_CD)" >&2; exit 2; }
for p in velmark-cli velmark-probe; do
  [[ -x "$BUILD_DIR/bin/$p" ]] || { echo "guest-check: build $BUILD_DIR/bin/$p first" >&2; exit 2; }
done

mkdir -p "$OUT"
stage=$(mktemp -d "$OUT/stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
# The programs and every shared library they load, found by the guest through LD_LIBRARY_PATH.
for p in velmark-cli velmark-probe; do
  cp "$BUILD_DIR/bin/$p" "$stage/"
  for lib in $(ldd "$BUILD_DIR/bin/$p" | awk '/=>/ { print $3 }'); do
    [[ -f "$lib" ]] && cp -L "$lib" "$stage/"
  done
done

cat > "$stage/hook.sh" <<'HOOK'
# Runs in the guest (busybox sh). Each step is framed by GC-BEGIN / GC-END lines.
export HOME=/tmp LD_LIBRARY_PATH=/opt
cd /tmp
[ -w /sys/module/sg/parameters/allow_dio ] && echo 1 > /sys/module/sg/parameters/allow_dio
echo "GC-INFO allow_dio=$(cat /sys/module/sg/parameters/allow_dio 2>/dev/null) clocksource=$(cat /sys/devices/system/clocksource/clocksource0/current_clocksource 2>/dev/null) dma_alignment=$(cat /sys/block/sr0/queue/dma_alignment)"
variant=$(sed -n 's/.*variant=\([^ ]*\).*/\1/p' /proc/cmdline)
step() {  # step NAME RUN COMMAND...
  name=$1; run=$2; shift 2
  echo "GC-BEGIN $name $run"
  # Into a file, as from a script: the serial console would be a slow terminal.
  rm -f /tmp/run.json
  "$@" < /dev/null > /tmp/step.out 2>&1
  rc=$?
  cat /tmp/step.out
  # The report's Seconds has two decimals; the record holds the milliseconds.
  [ -f /tmp/run.json ] && sed -n 's/^ *"seconds": \([0-9.]*\),*$/GC-SECONDS \1/p' /tmp/run.json
  echo "GC-END $name $run rc=$rc"
}
step probe 1 /opt/velmark-probe
step list 1 /opt/velmark-cli --list
step raw 1 /opt/velmark-cli --colour never --start 0 --blocks 270 --mode raw
case $variant in
  *@*)
    r=1
    while [ $r -le @ROUNDS@ ]; do
      step cli $r /opt/velmark-cli --colour never --start 0 --blocks @THROTTLED_BLOCKS@ --json /tmp/run.json
      r=$((r + 1))
    done ;;
  *)
    r=1
    while [ $r -le @ROUNDS@ ]; do
      # The two velmark-cli modes swap places every round.
      if [ $((r % 2)) -eq 1 ]; then order="cli cli-nodisplay"; else order="cli-nodisplay cli"; fi
      for m in $order; do
        if [ $m = cli ]; then extra=""; else extra=--no-display; fi
        step $m $r /opt/velmark-cli --colour never --start 0 --blocks @BLOCKS@ $extra --json /tmp/run.json
      done
      step sg_dd $r /usr/bin/sg_dd if=$SR of=/dev/null blk_sgio=1 bs=2048 bpt=27 count=@BLOCKS@ time=1
      step sg_read $r /usr/bin/sg_read if=$SG bs=2048 bpt=27 count=@BLOCKS@ time=1
      step sg_read-dio $r /usr/bin/sg_read if=$SG bs=2048 bpt=27 count=@BLOCKS@ time=1 dio=1
      r=$((r + 1))
    done
    # Where velmark-cli's time goes: the sum of its 27-block commands' own times (SG_IO and
    # the block's checks, from --trace) beside the test's Seconds.
    for m in cli cli-nodisplay; do
      if [ $m = cli ]; then extra=""; else extra=--no-display; fi
      /opt/velmark-cli --colour never --start 0 --blocks @BLOCKS@ $extra --trace \
        < /dev/null > /tmp/trace.out 2> /tmp/trace.err
      echo "GC-TRACE $m $(grep '^Seconds' /tmp/trace.out | tr -d ' ') $(grep ' 55296 ' /tmp/trace.err |
        awk '$NF == "ms" { s += $(NF - 1); n++ } END { printf "commands=%d in-command-ms=%.0f", n, s }')"
    done ;;
esac
HOOK
sed -i -e "s/@ROUNDS@/$ROUNDS/g" -e "s/@BLOCKS@/$BLOCKS/g" \
  -e "s/@THROTTLED_BLOCKS@/$THROTTLED_BLOCKS/g" "$stage/hook.sh"

for v in $VARIANTS; do
  # A guest starved of CPU under software emulation can panic while it calibrates its
  # timer: such a boot is tried again.
  for attempt in 1 2 3; do
    echo "guest-check: booting $v (attempt $attempt)" >&2
    SKIP_APT=${SKIP_APT:-auto} VARIANTS="$v" TIMEOUT=${TIMEOUT:-600} GUEST_TESTS=none \
      GUEST_FILES="$(ls "$stage"/* | grep -v hook.sh | tr '\n' ' ')" GUEST_HOOK="$stage/hook.sh" \
      "$QEMU_CD/run.sh" > "$OUT/$v.run" 2>&1 || true
    cp "$BUILD/logs/$v.log" "$OUT/$v.log"
    grep -q 'GUEST: done, powering off' "$OUT/$v.log" && break
  done
done

# The table: per variant and method the runs, their median, and the checks' exit statuses.
exec "$ROOT/scripts/guest-summary.sh" $(for v in $VARIANTS; do echo "$OUT/$v.log"; done)
