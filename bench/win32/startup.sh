#!/usr/bin/env bash
# startup.sh MAP_TIME WINE_RUN PREFIX WINE PROGRAM_FOLDER BARE_DIALOG [RUNS]
# The launcher's start-up under Wine against a bare Win32 window with the same controls, both
# measured the same way: whole-process wall time from the start of Wine to the window
# "Levelauswahl" being mapped on the X server (MAP_TIME, the Linux start-up benchmark's tool).
# Run it on a display of its own (cmake/wine_display_run.sh), whose Wine server stays up between
# the starts as a player's does. PROGRAM_FOLDER holds Hopplix.exe and Level\. Both start RUNS
# times (default 20), in turn, after one start each to warm the caches; prints the medians and
# their ratio.
set -euo pipefail
map_time=$1 wine_run=$2 prefix=$3 wine=$4 folder=$5 bare=$6
runs=${7:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

start() { "$map_time" Levelauswahl /bin/bash "$wine_run" "$prefix" "$wine" "$1" >>"$2"; }
# Keeps the Wine server up between the starts.
WINEPREFIX=$prefix wineserver -p
start "$folder/Hopplix.exe" /dev/null
start "$bare" /dev/null
for ((i = 0; i < runs; i++)); do
    start "$folder/Hopplix.exe" "$work/launcher.txt"
    start "$bare" "$work/bare.txt"
done
# median FILE COLUMN
median() {
    cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# The processor time the program used until then varies less with the machine's load than
# the wall time.
awk -v l="$(median "$work/launcher.txt" 1)" -v b="$(median "$work/bare.txt" 1)" \
    -v lc="$(median "$work/launcher.txt" 3)" -v bc="$(median "$work/bare.txt" 3)" -v n="$runs" 'BEGIN {
    printf "launcher:    %.1f ms from the start under Wine to mapped, %.1f ms processor time (medians of %d)\n", l, lc, n
    printf "bare dialog: %.1f ms, %.1f ms processor time\n", b, bc
    printf "ratio: %.2f wall, %.2f processor\n", l / b, lc / bc
}'
