#!/usr/bin/env bash
# replay_cross_check.sh WORK HOST_REPLAY LEVELS KEY_SOURCES -- WINDOWS_REPLAY...
#
# hopplix-replay built for Windows (WINDOWS_REPLAY: the program after its emulator, Wine) must
# print the same bytes, and end with the same exit code, as hopplix-replay built here
# (HOST_REPLAY): for every level in LEVELS with its key script KEY_SOURCES/<level>/keys.txt on
# the default screen, for the levels with the most colours on smaller screens and at 120 dpi, and
# for a level whose name is not plain ASCII.
# Only the standard output is compared; the error output, where Wine adds its own messages,
# is kept beside it in WORK.
set -euo pipefail
work=$1 host=$2 levels=$3 sources=$4
shift 4
[ "${1:-}" = -- ] && shift
windows=("$@")
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

rm -rf "$work"
mkdir -p "$work"
runs=0 failures=0

# compare NAME REPLAY-ARGUMENTS...
compare() {
  local name=$1 status
  shift
  runs=$((runs + 1))
  status=0
  "$host" "$@" > "$work/$name.host" 2> "$work/$name.host.err" || status=$?
  echo "exit $status" >> "$work/$name.host"
  status=0
  "${windows[@]}" "$@" > "$work/$name.windows" 2> "$work/$name.windows.err" || status=$?
  echo "exit $status" >> "$work/$name.windows"
  if cmp -s "$work/$name.host" "$work/$name.windows"; then
    echo "same: $name ($(wc -l < "$work/$name.host") lines)"
  else
    failures=$((failures + 1))
    echo "DIFFERENT: $name"
    diff "$work/$name.host" "$work/$name.windows" | head -n 10 || true
    echo "  error output under Wine ($work/$name.windows.err):"
    tail -n 5 "$work/$name.windows.err" | sed 's/^/    /'
  fi
}

for level in "$levels"/*/; do
  level=${level%/}
  name=$(basename "$level")
  compare "$name" --level "$level" --keys "$sources/$name/keys.txt"
done

# Every colour of the legend: "6 Feuerlauf" has all seven, the other two all but one.
for name in "4 Sprungbrett" "5 Rutschpartie" "6 Feuerlauf"; do
  for screen in "1024x768 120" "800x600 96" "800x600 120"; do
    read -r size dpi <<< "$screen"
    compare "$name @ $size $dpi dpi" --level "$levels/$name" --keys "$sources/$name/keys.txt" \
      --screen "$size" --dpi "$dpi" --frame 8x31
  done
done

# A name beyond ASCII reaches the Windows program through its wide command line.
mkdir -p "$work/levels"
cp -r "$levels/1 Erste Schritte" "$work/levels/Łódź über Stock und Stein"
compare "Łódź über Stock und Stein" --level "$work/levels/Łódź über Stock und Stein" --keys "$sources/1 Erste Schritte/keys.txt"

echo "$runs runs, $failures different"
[ "$failures" -eq 0 ] && [ "$runs" -gt 0 ]
