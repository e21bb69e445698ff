#!/usr/bin/env bash
# Builds the tables of scripts/guest-check.sh from guest console logs (one per variant,
# named VARIANT.log): the exit status of every check, and per timed method its runs and
# their median, with sg_dd's median divided by velmark-cli's.
set -euo pipefail

for log in "$@"; do
  variant=$(basename "$log" .log)
  awk -v variant="$variant" '
    function median(list,   n, a, i, j, t) {
      n = split(list, a, " ")
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] + 0 < a[i] + 0) { t = a[i]; a[i] = a[j]; a[j] = t }
      if (n == 0) return ""
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    function mean(list,   n, a, i, s) {
      n = split(list, a, " "); s = 0
      for (i = 1; i <= n; i++) s += a[i]
      return n ? s / n : ""
    }
    /^GC-INFO / { info = substr($0, 9); next }
    /^GC-TRACE / { traces = traces "  with --trace: " substr($0, 10) "\n"; next }
    /^GC-BEGIN / { name = $2; run = $3; inside = 1; cur = ""; exact = ""; next }
    /^GC-SECONDS / { exact = $2; next }
    /^GC-END / {
      inside = 0
      rc = $4; sub(/rc=/, "", rc)
      # velmark-cli: the record'"'"'s milliseconds when it was written, else the report'"'"'s Seconds.
      if (exact != "") cur = exact
      if (cur != "") { secs[name] = secs[name] " " cur; at[name, run] = cur; if (run > rounds) rounds = run }
      status[name] = status[name] (status[name] == "" ? "" : " ") rc
      if (!(name in order)) { order[name] = ++count; names[count] = name }
      next
    }
    !inside { next }
    name == "probe" || name == "list" { if (NF > 0) shown[name] = shown[name] "    " $0 "\n" }
    /^Seconds : / { cur = $3 }
    /^Average Measured Velmark : / { speed[name] = speed[name] " " $5 }
    /Failed with|Aborting|Results should be ignored/ { if (name == "raw" && !(name in why)) why[name] = $0 }
    /time to transfer data|Time for all SCSI READ commands was/ {
      for (i = 1; i <= NF; i++) if ($(i + 1) ~ /^secs/) { cur = $i; break }
    }
    END {
      printf "== %s   %s\n", variant, info
      printf "  exit status: probe %s, list %s, raw %s%s\n", status["probe"], status["list"],
        status["raw"], ("raw" in why) ? "  (" why["raw"] ")" : ""
      printf "%s", shown["list"]
      for (k = 1; k <= count; k++) {
        n = names[k]
        if (n == "probe" || n == "list" || n == "raw") continue
        printf "  %-14s exit %-8s seconds%-24s median %s", n, status[n], secs[n], median(secs[n])
        if (speed[n] != "") printf "   x:%s  average %.2f", speed[n], mean(speed[n])
        printf "\n"
        med[n] = median(secs[n])
      }
      printf "%s", traces
      if (med["sg_dd"] != "" && med["cli"] + 0 > 0)
        printf "  sg_dd / velmark-cli = %.2f   sg_dd / velmark-cli --no-display = %.2f   (medians)\n",
          med["sg_dd"] / med["cli"], (med["cli-nodisplay"] + 0 > 0 ? med["sg_dd"] / med["cli-nodisplay"] : 0)
      # The same ratio taken round by round, where the programs ran minutes apart at most:
      # the guest'"'"'s pace drifts between rounds by more than the gap being measured.
      for (k = 1; k <= 2; k++) {
        n = k == 1 ? "cli" : "cli-nodisplay"; pairs = ""
        for (r = 1; r <= rounds; r++)
          if (((n, r) in at) && (("sg_dd", r) in at) && at[n, r] > 0)
            pairs = pairs sprintf(" %.2f", at["sg_dd", r] / at[n, r])
        if (pairs != "") printf "  sg_dd / %s round by round:%s   median %.2f\n", n, pairs, median(pairs)
      }
    }
  ' "$log"
done
