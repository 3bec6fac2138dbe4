#!/usr/bin/env bash
# question.sh PROGRAM WORKDIR
# The Escape question and the debug window as a player meets them, under Xvfb with a window
# manager (openbox):
#   1. on a small level D opens the debug window beside the game window and the focus goes back
#      to the game, once: a click into the debug window keeps the focus there;
#   2. holding Escape opens one question, which stays open: neither the repeating Escape nor
#      Alt+F4 answers it;
#   3. the player, still steered while the question is open, reaches the goal: the question
#      closes with its level and the launcher comes back;
#   4. on a level that fills the screen the debug window opens in front of the game window,
#      clear of its title bar.
set -euo pipefail

program=$(realpath "$1")
work=$(realpath -m "$2")
source "$(dirname "$0")/../support/on_screen.sh"
# -noreset: no server reset (and refused connections) between two short-lived clients.
in_xvfb -noreset -- "$0" "$@"

program_folder "$program" "$work" Lauf Riesig
# Flat ground and a green wall at the right, the player a long walk away from it.
ground_level "$work/Level/Lauf" -fill '#00FF00' -draw "rectangle 288,0 319,199"
printf '[Startposition]\r\nx=20\r\ny=150\r\n' >"$work/Level/Lauf/config.ini"
# A picture larger than the screen: the game window fills it.
convert -size 2000x1600 xc:white +antialias -fill black -draw "rectangle 0,1500 1999,1599" \
    -type TrueColor "BMP3:$work/Level/Riesig/Level.bmp"

trap end_started EXIT
fail() {
    echo "e2e_question: $*" >&2
    echo "--- program output ---" >&2
    cat "$work/hopplix.log" >&2 || true
    exit 1
}

window_manager --sm-disable

cd "$work"
./Hopplix >"$work/hopplix.log" 2>&1 &
pid=$!
started+=("$pid")

wait_gone() {
    for ((i = 0; i < 200; i++)); do
        [ -z "$(visible "$1")" ] && return 0
        sleep 0.05
    done
    fail "window \"$1\" still there"
}
focus() { xdotool getwindowfocus 2>/dev/null || true; }
wait_focus() {
    for ((i = 0; i < 200; i++)); do
        [ "$(focus)" = "$1" ] && return 0
        sleep 0.05
    done
    fail "$2: the focus is with $(focus), not with $1"
}
# Fails if the focus leaves window $1 within the next second.
keeps_focus() {
    for ((i = 0; i < 20; i++)); do
        [ "$(focus)" = "$1" ] || fail "$2: the focus went from $1 to $(focus)"
        sleep 0.05
    done
}
# "left top right bottom" of a managed window's frame.
frame_of() {
    local id=$1 extents left right top bottom info x y width height
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
    IFS=', ' read -r left right top bottom <<<"${extents:-0, 0, 0, 0}"
    info=$(xwininfo -id "$id")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    width=$(sed -n 's/^ *Width: *//p' <<<"$info")
    height=$(sed -n 's/^ *Height: *//p' <<<"$info")
    echo "$((x - left)) $((y - top)) $((x + width + right)) $((y + height + bottom))"
}
# --- 1. the debug window beside a small level ----------------------------------------------------
start_level 0 # Lauf
wait_gone Levelauswahl
game=$(wait_window Hopplix)
xdotool windowactivate --sync "$game" 2>/dev/null || true
wait_focus "$game" "the level"
xdotool key d
debug=$(wait_window DebugScreen)
wait_focus "$game" "D"
read -r gl gt gr gb < <(frame_of "$game")
read -r dl dt dr db < <(frame_of "$debug")

((dl >= gr || dr <= gl)) || fail "the debug window ($dl,$dt-$dr,$db) covers the game window ($gl,$gt-$gr,$gb)"
xdotool mousemove --window "$debug" 20 20 click 1
wait_focus "$debug" "a click into the debug window"
keeps_focus "$debug" "a click into the debug window"
xdotool windowactivate --sync "$game" 2>/dev/null || true
wait_focus "$game" "back to the game"
xdotool key d
wait_gone DebugScreen
echo "debug window beside the game window; it keeps the focus it is given"

# --- 2. one question, answered only by its buttons --------------------------------------------
xdotool keydown Escape
question=$(wait_window 'Sicher!\?')
for ((i = 0; i < 15; i++)); do # 1.5 s of key repeat
    [ "$(visible 'Sicher!\?')" = "$question" ] || fail "holding Escape: the question is now \"$(visible 'Sicher!\?' | tr '\n' ' ')\""
    sleep 0.1
done
xdotool keyup Escape
xdotool key alt+F4
for ((i = 0; i < 5; i++)); do
    [ "$(visible 'Sicher!\?')" = "$question" ] || fail "Alt+F4 closed the question"
    sleep 0.1
done
echo "held Escape: one question, still open; Alt+F4 does not answer it"

# --- 3. the level ends behind the question ------------------------------------------------------
xdotool keydown Right
wait_window Levelauswahl >/dev/null
xdotool keyup Right
wait_gone 'Sicher!\?'
wait_gone Hopplix
echo "the goal reached behind the question closed it and brought back the launcher"

# --- 4. the debug window in front of a level that fills the screen -------------------------------
start_level 1 # Riesig
wait_gone Levelauswahl
game=$(wait_window Hopplix)
xdotool windowactivate --sync "$game" 2>/dev/null || true
wait_focus "$game" "the large level"
xdotool key d
debug=$(wait_window DebugScreen)
wait_focus "$game" "D on the large level"
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
above=""
for id in $stacking; do
    [ "$((id))" = "$game" ] && above=game
    [ "$((id))" = "$debug" ] && above=debug
done
[ "$above" = debug ] || fail "the debug window is behind the game window (stacking: $stacking)"
read -r gl gt gr gb < <(frame_of "$game")
read -r dl dt dr db < <(frame_of "$debug")
# No room beside it: in front of the game window, but clear of its title bar and buttons.
client_top=$(xwininfo -id "$game" | sed -n 's/.*Absolute upper-left Y: *//p')
((dl < gr && dr > gl && dt < gb && db > gt)) || fail "the debug window ($dl,$dt-$dr,$db) is not in front of the game window ($gl,$gt-$gr,$gb)"
((db <= gt || dt >= client_top)) || fail "the debug window ($dl,$dt-$dr,$db) covers the game window's title bar ($gt to $client_top)"
echo "debug window in front of a screen-filling game window"

kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "e2e_question: passed"
