#!/usr/bin/env bash
# cross_check.sh WORK LEVELS KEY_SOURCES HOST_TOOLS WINDOWS_TOOLS -- EMULATOR...
#
# hopplix-replay and hopplix-check built for Windows (WINDOWS_TOOLS/<tool>.exe, run through the
# EMULATOR, Wine) must print the same bytes, and end with the same exit code, as the tools built
# here (HOST_TOOLS/<tool>):
# - hopplix-replay for every level in LEVELS with its key script KEY_SOURCES/<level>/keys.txt on
#   the default screen, for the levels with the most colours on smaller screens and at 120 dpi,
#   and for a level whose name is not plain ASCII;
# - hopplix-check on all the levels, and the routes its solver writes for each.
# Only the standard output is compared; the error output, where Wine adds its own messages, is
# kept beside it in WORK.
set -euo pipefail
work=$1 levels=$2 sources=$3 host=$4 windows=$5
shift 5
[ "${1:-}" = -- ] && shift
emulator=("$@")
export LC_ALL=C.UTF-8

rm -rf "$work"
mkdir -p "$work"
runs=0 failures=0

# compare NAME TOOL ARGUMENTS...: the tool's output here and under the emulator.
compare() {
  local name=$1 tool=$2 status
  shift 2
  runs=$((runs + 1))
  status=0
  "$host/$tool" "$@" > "$work/$name.host" 2> "$work/$name.host.err" || status=$?
  echo "exit $status" >> "$work/$name.host"
  status=0
  "${emulator[@]}" "$windows/$tool.exe" "$@" > "$work/$name.windows" 2> "$work/$name.windows.err" || status=$?
  echo "exit $status" >> "$work/$name.windows"
  same "$name" "$work/$name.host" "$work/$name.windows" "$work/$name.windows.err"
}

# same NAME HOST_FILE WINDOWS_FILE ERROR_LOG
same() {
  if cmp -s "$2" "$3"; then
    echo "same: $1 ($(wc -l < "$2") lines)"
  else
    failures=$((failures + 1))
    echo "DIFFERENT: $1"
    diff "$2" "$3" | head -n 10 || true
    echo "  error output under Wine ($4):"
    tail -n 5 "$4" | sed 's/^/    /'
  fi
}

level_folders=()
for level in "$levels"/*/; do
  level=${level%/}
  level_folders+=("$level")
  name=$(basename "$level")
  compare "replay $name" hopplix-replay --level "$level" --keys "$sources/$name/keys.txt"
done

# Every colour of the legend: "6 Feuerlauf" has all seven, the other two all but one.
for name in "4 Sprungbrett" "5 Rutschpartie" "6 Feuerlauf"; do
  for screen in "1024x768 120" "800x600 96" "800x600 120"; do
    read -r size dpi <<< "$screen"
    compare "replay $name @ $size $dpi dpi" hopplix-replay --level "$levels/$name" \
      --keys "$sources/$name/keys.txt" --screen "$size" --dpi "$dpi" --frame 8x31
  done
done

# A name outside Windows' ANSI code page reaches the program through its wide command line.
mkdir -p "$work/levels"
cp -r "$levels/1 Erste Schritte" "$work/levels/Łódź über Stock und Stein"
compare "replay Łódź über Stock und Stein" hopplix-replay --level "$work/levels/Łódź über Stock und Stein" \
  --keys "$sources/1 Erste Schritte/keys.txt"

compare "check" hopplix-check "${level_folders[@]}"
# The solver's report holds its own speed; its routes must be the same.
"$host/hopplix-check" --solve --keys-out "$work/routes.host" "${level_folders[@]}" > "$work/solve.host" 2>&1 || true
"${emulator[@]}" "$windows/hopplix-check.exe" --solve --keys-out "$work/routes.windows" "${level_folders[@]}" \
  > "$work/solve.windows" 2> "$work/solve.windows.err" || true
for level in "${level_folders[@]}"; do
  name=$(basename "$level")
  runs=$((runs + 1))
  same "route $name" "$work/routes.host/$name.keys" "$work/routes.windows/$name.keys" "$work/solve.windows.err"
done

echo "$runs runs, $failures different"
[ "$failures" -eq 0 ] && [ "$runs" -gt 0 ]
