#!/usr/bin/env bash
# play_windows.sh INSTALLER REPLAY PROBE VERSION WORKDIR -- WINE_RUN PREFIX WINE
# The Windows game as a player meets it, under Wine on an X server of the test's own
# (cmake/wine_display_run.sh provides it and the prefix PREFIX, and stops both at the end):
#   1. INSTALLER installs silently; a level of the player's with a cut-short Level.bmp is added;
#   2. the installed Hopplix.exe starts: the launcher shows its captions (screenshot);
#   3. a bundled level that holding Right and Space wins (REPLAY, the host's replay tool, says
#      which) is played to the goal with keys from xdotool; the second bundled level is won by
#      moving the player onto its goal (J and K held, a click): the launcher comes back with
#      that level chosen;
#   4. the same level again: Escape asks, "Nein" keeps playing, Escape and "Ja" leave it;
#   5. the cut-short level gives its German message;
#   6. closing the launcher ends the program; the silent uninstall leaves only the player's level.
# PROBE (a Windows program) reads the controls' texts and places, which live inside Wine's X
# windows. Screenshots go to WORKDIR.
set -euo pipefail
installer=$(realpath "$1") replay=$(realpath "$2") probe=$(realpath "$3") version=$4 work=$(realpath -m "$5")
shift 5
[ "$1" = -- ] && shift
wine_run=("$@")
prefix=$2
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hopplix'

rm -rf "$work"
mkdir -p "$work"
log="$work/hopplix.log"
wine() { "${wine_run[@]}" "$@"; }
fail() {
    echo "e2e_windows: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null || true
    echo "--- program output ---" >&2
    grep -v ':fixme:' "$log" >&2 || true
    exit 1
}
source "$(dirname "$0")/../../support/on_screen.sh"
unix_path() { local p=${1%$'\r'}; p=${p#[Cc]:\\}; echo "$prefix/drive_c/${p//\\//}"; }

local_appdata_win=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
target_win="$local_appdata_win\\Programs\\Hopplix"
target=$(unix_path "$target_win")
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$target"
    wine reg delete "$key" /f >/dev/null 2>&1 || true
}
trap cleanup EXIT
cleanup

# --- 1. install ------------------------------------------------------------------------------
wine "$installer" /S || fail "the silent install failed"
[ -f "$target/Hopplix.exe" ] || fail "nothing installed in $target"
mkdir "$target/Level/zz Kaputt"
first="$target/Level/1 Erste Schritte/Level.bmp"
head -c $(($(stat -c %s "$first") / 2)) "$first" >"$target/Level/zz Kaputt/Level.bmp"

# A bundled level won by holding Right and Space, whatever tick between the 9th and the 150th
# the keys arrive in (as tests/e2e_play/play.sh chooses it), on this 1280 x 1024 screen.
wins_with_right_and_space() {
    local level=$1 delay first i script="$work/keys.txt"
    for ((delay = 9; delay < 150; delay++)); do
        for first in RS R S; do
            { for ((i = 0; i < delay; i++)); do echo .; done
              echo "$first"
              for ((i = 0; i < 1500; i++)); do echo RS; done; } >"$script"
            "$replay" --level "$level" --keys "$script" --screen 1280x1024 2>/dev/null |
                tail -n 1 | grep -q ' goal$' || return 1
        done
    done
}
levels=()
while IFS= read -r name; do levels+=("$name"); done < <(
    find "$target/Level" -mindepth 1 -maxdepth 1 -type d -exec test -f '{}/Level.bmp' ';' -printf '%f\n' | LC_ALL=C sort)
played="" index=-1 broken=-1
for i in "${!levels[@]}"; do
    [ "${levels[$i]}" = "zz Kaputt" ] && broken=$i
    if [ -z "$played" ] && [ "${levels[$i]}" != "zz Kaputt" ] && wins_with_right_and_space "$target/Level/${levels[$i]}"; then
        played=${levels[$i]} index=$i
    fi
done
[ -n "$played" ] || fail "no bundled level is won by holding Right and Space"
# The launcher restores any chosen level but the first (its position 0 means none): the second
# is played by moving the player onto its goal, J and K held, with a click.
moved=${levels[1]}
picture="$target/Level/$moved/Level.bmp"
read -r pw ph < <(identify -format '%w %h\n' "$picture")
# A green pixel whose right and lower neighbours are green too, so the probes find it.
goal=$(convert "$picture" -depth 8 txt:- | awk -F'[,: ]+' '
    /#00FF00/ { g[$1 "," $2] = 1; order[n++] = $1 "," $2 }
    END { for (i = 0; i < n; i++) { split(order[i], p, ","); x = p[1]; y = p[2];
            if (g[(x+1) "," y] && g[x "," (y+1)] && g[(x+1) "," (y+1)]) { print x, y; exit } } }')
[ -n "$goal" ] || fail "no goal in the bundled level \"$moved\""
read -r gx gy <<<"$goal"

# --- 2. the launcher -------------------------------------------------------------------------
wine "$target_win\\Hopplix.exe" >"$log" 2>&1 &
pid=$!

texts() { wine "$probe" texts "$1" 2>/dev/null | tr -d '\r'; }
# rect TITLE CONTROL: "left top right bottom" of the control on the screen, within 10 s.
rect() {
    local at deadline=$((SECONDS + 10))
    while ((SECONDS < deadline)); do
        at=$(wine "$probe" rect "$1" "$2" 2>/dev/null | tr -d '\r') && { echo "$at"; return 0; }
        sleep 0.2
    done
    fail "no \"$2\" in the window \"$1\""
}
click() {
    local left top right bottom
    read -r left top right bottom < <(rect "$1" "$2")
    xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
}
shot() { import -window "$1" "$work/$2.png"; }
# Chooses the level at position $1 of the list with the keyboard, one key at a time, each
# checked, and presses Start.
start_level() {
    local tries chosen at
    wait_window Levelauswahl 20 >/dev/null
    # A click on the level list opens it and gives it the focus; Escape closes it again.
    click Levelauswahl '#ComboBox'
    sleep 0.3
    xdotool key Escape
    for ((tries = 0; tries < 40; tries++)); do
        chosen=$(texts Levelauswahl | sed -n 's/^\* //p')
        at=-1
        for i in "${!levels[@]}"; do [ "${levels[$i]}" = "$chosen" ] && at=$i; done
        ((at == $1)) && break
        if ((at < 0)); then xdotool key Home; elif ((at < $1)); then xdotool key Down; else xdotool key Up; fi
    done
    ((at == $1)) || fail "the level list did not come to \"${levels[$1]}\""
    click Levelauswahl Start
    wait_gone Levelauswahl 10
}

launcher=$(wait_window Levelauswahl 60)
sleep 0.5
captions=$(texts Levelauswahl)
# The labels draw their captions themselves (the screenshot shows them) and carry them as their
# window texts, for a screen reader; the button and the list are the system's controls.
for caption in "Hier Level auswählen" Start "${levels[@]/#/> }"; do
    grep -qxF "$caption" <<<"$captions" || fail "the launcher does not show \"$caption\": $(tr '\n' '|' <<<"$captions")"
done
shot "$launcher" launcher

# --- 3. a bundled level to the goal ----------------------------------------------------------
start_level "$index"
game=$(wait_window Hopplix 20)
sleep 0.5
shot "$game" level
xdotool windowfocus "$game"
sleep 0.2 # see wins_with_right_and_space
xdotool keydown Right keydown space
wait_window Levelauswahl 60 >/dev/null
xdotool keyup space keyup Right
wait_gone Hopplix 10
sleep 0.3
echo "bundled level \"$played\" won with Right and Space"

start_level 1
game=$(wait_window Hopplix 20)
sleep 0.5
read -r left top right bottom < <(rect Hopplix '#HopplixPlayfield')
# The picture is stretched over the playfield, each axis on its own.
xdotool windowfocus "$game"
xdotool keydown j keydown k
xdotool mousemove $((left + (2 * gx + 1) * (right - left) / (2 * pw))) $((top + (2 * gy + 1) * (bottom - top) / (2 * ph))) click 1
xdotool keyup k keyup j
wait_window Levelauswahl 20 >/dev/null
wait_gone Hopplix 10
sleep 0.3
captions=$(texts Levelauswahl)
grep -qxF "* $moved" <<<"$captions" ||
    fail "the launcher came back without \"$moved\" chosen: $(tr '\n' '|' <<<"$captions")"
echo "bundled level \"$moved\" won with J, K and a click; the launcher shows it chosen"

# --- 4. Escape: "Nein" plays on, "Ja" leaves -------------------------------------------------
start_level "$index"
wait_window Hopplix 20 >/dev/null
# Wine gives the keyboard focus to a window clicked into (J and K are up: the click does nothing).
click Hopplix '#HopplixPlayfield'
xdotool key Escape
wait_window 'Sicher!\?' 10 >/dev/null
click 'Sicher!?' Nein
wait_gone 'Sicher!\?' 10
sleep 0.5
[ -n "$(xdotool search --onlyvisible --name '^Hopplix$' 2>/dev/null || true)" ] || fail "\"Nein\" left the level"
click Hopplix '#HopplixPlayfield'
xdotool key Escape
wait_window 'Sicher!\?' 10 >/dev/null
click 'Sicher!?' Ja
wait_gone Hopplix 10
wait_window Levelauswahl 10 >/dev/null
echo "Escape: \"Nein\" played on, \"Ja\" left the level"

# --- 5. a cut-short picture ------------------------------------------------------------------
start_level "$broken"
wait_window Error 20 >/dev/null
message=$(texts Error)
grep -qF "Error: Level.bmp konnte nicht gelesen werden!" <<<"$message" &&
    grep -qF "Die Datei endet mitten in den Bilddaten." <<<"$message" ||
    fail "the cut-short picture gave another message: $(tr '\n' '|' <<<"$message")"
click Error OK
wait_window Levelauswahl 10 >/dev/null
echo "the cut-short Level.bmp: \"Die Datei endet mitten in den Bilddaten.\""

# --- 6. end and uninstall --------------------------------------------------------------------
# Closing the launcher ends the program.
wine "$probe" close Levelauswahl || fail "the launcher could not be asked to close"
for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end within 10 s of its launcher closing"
wait "$pid" || fail "the program ended with status $?"
pid=""
wine "$target_win\\Uninstall.exe" /S || fail "the silent uninstall failed to start"
expected="./Level ./Level/zz Kaputt ./Level/zz Kaputt/Level.bmp "
for _ in $(seq 1 600); do
    left=$(cd "$target" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
    [ "$left" != "$expected" ] || break
    sleep 0.1
done
[ "$left" = "$expected" ] || fail "a minute on, the uninstaller has left other than the player's level: $left"
echo "e2e_windows: passed"
