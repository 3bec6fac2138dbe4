#!/usr/bin/env bash
# startup.sh PROGRAM BARE_DIALOG MAP_TIME LEVELS [RUNS]
# The launcher's start-up against a bare Qt dialog with the same widgets, under Xvfb without a
# window manager: whole-process wall time from the start to the window being mapped, and the
# processor time and resident memory at that moment. PROGRAM runs from a program folder of its own with the levels
# LEVELS (and the download library, if one lies beside PROGRAM). Both start RUNS times
# (default 20), in turn, after one start each to warm the file cache; prints the medians and
# their ratio.
set -euo pipefail
program=$(realpath "$1")
bare=$(realpath "$2")
map_time=$(realpath "$3")
levels=$(realpath "$4")
runs=${5:-20}

# -noreset: the server would reset (and refuse connections for a moment) whenever its last
# client leaves, which happens between two starts.
if [ -z "${HOPPLIX_STARTUP_IN_XVFB:-}" ]; then
    exec env HOPPLIX_STARTUP_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/Hopplix"
library=$(dirname "$program")/hopplix-download.so
[ -f "$library" ] && cp "$library" "$work/"
cp -r "$levels" "$work/Level"

measure() { "$map_time" Levelauswahl "$1" >>"$2"; }
measure "$work/Hopplix" /dev/null
measure "$bare" /dev/null
for ((i = 0; i < runs; i++)); do
    measure "$work/Hopplix" "$work/launcher.txt"
    measure "$bare" "$work/bare.txt"
done

# median FILE COLUMN
median() {
    cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
launcher_ms=$(median "$work/launcher.txt" 1)
bare_ms=$(median "$work/bare.txt" 1)
launcher_kb=$(median "$work/launcher.txt" 2)
bare_kb=$(median "$work/bare.txt" 2)
launcher_cpu=$(median "$work/launcher.txt" 3)
bare_cpu=$(median "$work/bare.txt" 3)
awk -v lm="$launcher_ms" -v bm="$bare_ms" -v lk="$launcher_kb" -v bk="$bare_kb" -v lc="$launcher_cpu" \
    -v bc="$bare_cpu" -v n="$runs" 'BEGIN {
    printf "launcher:    %.1f ms to mapped (%.1f ms processor time), %.1f MB resident (medians of %d)\n", lm, lc, lk / 1024, n
    printf "bare dialog: %.1f ms to mapped (%.1f ms processor time), %.1f MB resident\n", bm, bc, bk / 1024
    printf "ratio: %.2fx wall time, %.2fx processor time, %.2fx resident memory\n", lm / bm, lc / bc, lk / bk
}'
