#!/usr/bin/env bash
# frame.sh PROGRAM WORKDIR
# Under Xvfb with a window manager (openbox), whose frames are only known once a window has
# been shown: a level's game window gets the outer size (frame included) that the level's
# picture asks for, centred on the screen, in the first level of a run and in the next.
set -euo pipefail

program=$(realpath "$1")
work=$(realpath -m "$2")
source "$(dirname "$0")/../support/on_screen.sh"
in_xvfb -- "$0" "$@"

program_folder "$program" "$work" Wald
# 320 x 240 pixels at 96 dpi: 8467 x 6350 HIMETRIC, a window of 5644.67 x 4233.33 twips,
# which the window system keeps as 376 x 282 pixels.
ground_level "$work/Level/Wald"
expected_width=376
expected_height=282

trap end_started EXIT
fail() {
    echo "e2e_frame: $*" >&2
    exit 1
}

window_manager

cd "$work"
./Hopplix >"$work/hopplix.log" 2>&1 &
pid=$!
started+=("$pid")

# Outer geometry "x y width height" of a managed window: its client area plus the frame.
outer_geometry() {
    local id=$1 extents left right top bottom
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
    [ -n "$extents" ] || return 1
    IFS=', ' read -r left right top bottom <<<"$extents"
    ((top > 0)) || return 1 # not framed yet
    # xwininfo, not xdotool: xdotool counts the frame's offset twice in a reparented window.
    local info x y width height
    info=$(xwininfo -id "$id")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    width=$(sed -n 's/^ *Width: *//p' <<<"$info")
    height=$(sed -n 's/^ *Height: *//p' <<<"$info")
    echo "$((x - left)) $((y - top)) $((width + left + right)) $((height + top + bottom))"
}

check_game_window() {
    local game ox oy ow oh
    game=$(wait_window Hopplix)
    # The frame arrives after the window is shown; the window then settles to its size.
    for ((i = 0; i < 100; i++)); do
        if read -r ox oy ow oh < <(outer_geometry "$game") && [ "$ow" -eq "$expected_width" ] \
            && [ "$oh" -eq "$expected_height" ]; then
            break
        fi
        sleep 0.05
    done
    read -r ox oy ow oh < <(outer_geometry "$game") || fail "the game window has no frame"
    [ "$ow" -eq "$expected_width" ] && [ "$oh" -eq "$expected_height" ] \
        || fail "$1: outer size ${ow}x${oh}, expected ${expected_width}x${expected_height}"
    local cx=$(((1280 - ow) / 2)) cy=$(((1024 - oh) / 2))
    ((ox >= cx - 1 && ox <= cx + 1 && oy >= cy - 1 && oy <= cy + 1)) \
        || fail "$1: at $ox,$oy, not centred (expected about $cx,$cy)"
    echo "$1: outer ${ow}x${oh} at $ox,$oy"
    echo "$game"
}

start_level
check_game_window "first level" >"$work/first.txt"
head -n 1 "$work/first.txt"
game=$(tail -n 1 "$work/first.txt")
# Leave the level: Escape, and Return answers "Ja", the question's default.
xdotool windowactivate --sync "$game" 2>/dev/null || xdotool windowfocus --sync "$game"
xdotool key Escape
question=$(wait_window 'Sicher!\?') # a regular expression
xdotool windowactivate --sync "$question" 2>/dev/null || xdotool windowfocus --sync "$question"
xdotool key Return
start_level
check_game_window "second level" >"$work/second.txt"
head -n 1 "$work/second.txt"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
echo "e2e_frame: passed"
