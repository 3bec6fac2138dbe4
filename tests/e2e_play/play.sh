#!/usr/bin/env bash
# play.sh PROGRAM LEVELS WORKDIR [SCREENSHOTS [REPLAY]]
# Runs a copy of PROGRAM in WORKDIR under Xvfb (no window manager, so windows have no frame),
# with a test level of its own beside the bundled LEVELS, and drives it with synthetic input:
#   1. picks the test level with the keyboard, presses Start, toggles the debug window with D
#      (the focus stays with the game) and holds Right until the player walks into the goal
#      and the launcher comes back;
#   2. plays the first bundled level that holding Right and Space wins (the replay tool REPLAY,
#      which runs the same engine, tells which one does, whenever the keys start to be held);
#   3. picks a bundled level, and with J and K held clicks onto a green pixel of its picture:
#      the player jumps to the goal and the launcher comes back.
# Screenshots of the launcher, a level and the debug window go to SCREENSHOTS (default WORKDIR).
# HOPPLIX_E2E_HIDPI plays on a HiDPI screen, two device pixels to a pixel of a 96-dpi screen:
# "dpi" is a 192-dpi screen as a desktop announces it (the server's dpi and Xft.dpi), "scale" is
# Qt's QT_SCALE_FACTOR=2. The screenshots' names then end in "-hidpi".
set -euo pipefail

program=$(realpath "$1")
levels=$(realpath "$2")
work=$(realpath -m "$3")
shots=$(realpath -m "${4:-$3}")
replay=${5:+$(realpath "$5")}

hidpi=${HOPPLIX_E2E_HIDPI:-}
# -noreset: when its last client leaves, the server neither forgets the root window's resources
# (Xft.dpi below) nor refuses connections for a moment while it resets.
server="-screen 0 1280x1024x24 -noreset"
scale=1
case "$hidpi" in
    "") ;;
    dpi) server+=" -dpi 192"; scale=2 ;;
    scale) scale=2 ;;
    *) echo "play.sh: HOPPLIX_E2E_HIDPI is dpi or scale" >&2; exit 2 ;;
esac
suffix=${hidpi:+-hidpi}

if [ -z "${HOPPLIX_E2E_IN_XVFB:-}" ]; then
    exec env HOPPLIX_E2E_IN_XVFB=1 xvfb-run -a -s "$server" bash "$0" "$@"
fi
# The program draws on that X server, whatever platform the caller's environment names.
export QT_QPA_PLATFORM=xcb
case "$hidpi" in
    # As xrdb writes it: a tab after the colon.
    dpi) xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')" ;;
    scale) export QT_SCALE_FACTOR=2 ;;
esac

rm -rf "$work"
mkdir -p "$work/Level" "$shots"
cp "$program" "$work/Hopplix"
if [ -d "$levels" ]; then
    cp -r "$levels"/. "$work/Level/"
fi

# The test level: flat ground, a green wall at the right; the player starts close to it.
test_level="$work/Level/zz Ziellauf"
mkdir -p "$test_level"
convert -size 320x240 xc:white +antialias \
    -fill black -draw "rectangle 0,200 319,239" \
    -fill '#00FF00' -draw "rectangle 288,0 319,199" \
    -type TrueColor "BMP3:$test_level/Level.bmp"
printf '[Spieler]\r\nGr\xF6\xDFe=8%%\r\n[Startposition]\r\nx=200\r\ny=120\r\n' > "$test_level/config.ini"

log="$work/hopplix.log"
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

fail() {
    echo "e2e_play: $*" >&2
    echo "--- program output ---" >&2
    cat "$log" >&2 || true
    exit 1
}

# Waits at most $2 seconds until the window $1 has the keyboard focus.
wait_focus() {
    local id=$1 limit=$2
    local deadline=$((SECONDS + limit))
    while ((SECONDS < deadline)); do
        [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$id" ] && return 0
        sleep 0.05
    done
    fail "window $id did not get the keyboard focus within $limit s (it is with $(xdotool getwindowfocus 2>/dev/null || echo none))"
}

source "$(dirname "$0")/../support/on_screen.sh"

# The launcher's list is sorted by the names' bytes; its position of a level folder.
level_index() {
    local i=0 name
    while IFS= read -r name; do
        if [ "$name" = "$1" ]; then
            echo "$i"
            return 0
        fi
        i=$((i + 1))
    done < <(find "$work/Level" -mindepth 1 -maxdepth 1 -type d ! -name '.*' -exec test -f '{}/Level.bmp' ';' -printf '%f\n' | LC_ALL=C sort)
    fail "level \"$1\" is not listed"
}

shot() {
    import -window "$1" "$shots/$2$suffix.png"
    convert "$shots/$2$suffix.png" -strip "$shots/$2$suffix.png"
}

# Chooses the entry with the keyboard and presses Start. The level list is the window's first
# control that takes the keyboard focus, so it has it when the window is activated.
start_level() {
    local launcher=$1 index=$2
    xdotool windowfocus --sync "$launcher"
    # A key still held when the launcher came back may have opened the list's popup.
    xdotool key Escape
    xdotool key Home
    for ((k = 0; k < index; k++)); do
        xdotool key Down
    done
    # Command1: 960,1440 twips, 4815 x 495: its middle is at 224,112 pixels of a 96-dpi screen.
    xdotool mousemove --window "$launcher" $((224 * scale)) $((112 * scale)) click 1
}

cd "$work"
./Hopplix >"$log" 2>&1 &
pid=$!

launcher=$(wait_window Levelauswahl 20)
sleep 0.3
shot "$launcher" launcher

# --- 1. the test level, played with the keyboard ---------------------------------------------
t0=$SECONDS
start_level "$launcher" "$(level_index "zz Ziellauf")"
game=$(wait_window Hopplix 10)
wait_gone Levelauswahl 5
# 320 x 240 pixels make a window of 5644.67 x 4233.33 twips (no frame here): 376 x 282 whole
# pixels of a 96-dpi screen, twice as many device pixels on a HiDPI one.
read -r width height < <(xwininfo -id "$game" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w, h }')
((width == 376 * scale && height == 282 * scale)) ||
    fail "the game window is ${width}x${height}, not $((376 * scale))x$((282 * scale))"
xdotool windowfocus --sync "$game"
# D shows the debug window and the focus comes back to the game, so the next D closes it.
xdotool key d
debug=$(wait_window DebugScreen 5)
wait_focus "$game" 5
xdotool key d
wait_gone DebugScreen 5
xdotool key d
debug=$(wait_window DebugScreen 5)
wait_focus "$game" 5
sleep 0.3 # a few ticks fill its markers for the screenshot
shot "$debug" debug
xdotool keydown Right
launcher=$(wait_window Levelauswahl 30)
xdotool keyup Right
wait_gone Hopplix 5
wait_gone DebugScreen 5
sleep 0.2 # repeats of the held key still on their way settle in the launcher
echo "test level won in $((SECONDS - t0)) s"

# --- 2. a bundled level played with the keyboard ---------------------------------------------
bundled_levels() {
    find "$levels" -mindepth 1 -maxdepth 1 -type d ! -name '.*' -exec test -f '{}/Level.bmp' ';' -printf '%f\n' 2>/dev/null | LC_ALL=C sort
}

# True when holding Right and Space wins the level on this screen (in the pixels the program
# works in), however many ticks pass before the keys go down: the script waits 0.2 s after the window shows before pressing them, so that is at
# least 9 ticks, and less than 150 (3 s) even on a busy machine.
wins_with_right_and_space() {
    local level=$1 delay first script
    for ((delay = 9; delay < 150; delay++)); do
        # The two keys may reach the game in the same tick or one after the other.
        for first in RS R S; do
            script="$work/keys.txt"
            { for ((i = 0; i < delay; i++)); do echo .; done
              echo "$first"
              for ((i = 0; i < 1500; i++)); do echo RS; done; } >"$script"
            "$replay" --level "$level" --keys "$script" --screen "$((1280 / scale))x$((1024 / scale))" 2>/dev/null |
                tail -n 1 | grep -q ' goal$' || return 1
        done
    done
}

[ -n "$replay" ] && [ -x "$replay" ] || fail "the replay tool is needed to choose the level played with Right and Space"
played=""
while IFS= read -r name; do
    if wins_with_right_and_space "$work/Level/$name"; then
        played=$name
        break
    fi
done < <(bundled_levels)
[ -n "$played" ] || fail "no bundled level is won by holding Right and Space, whatever the tick the keys arrive in"
t0=$SECONDS
start_level "$launcher" "$(level_index "$played")"
game=$(wait_window Hopplix 10)
wait_gone Levelauswahl 5
xdotool windowfocus --sync "$game"
sleep 0.2 # see wins_with_right_and_space
xdotool keydown Right keydown space
launcher=$(wait_window Levelauswahl 40)
xdotool keyup space keyup Right
wait_gone Hopplix 5
sleep 0.2 # repeats of the held keys still on their way settle in the launcher
echo "bundled level \"$played\" won with Right and Space in $((SECONDS - t0)) s"

# --- 3. a bundled level, the player moved onto its goal with J+K and the mouse -------------
bundled=$(bundled_levels | head -n 1 || true)
if [ -z "$bundled" ]; then
    fail "no bundled level in $levels"
fi
picture="$work/Level/$bundled/Level.bmp"
read -r pw ph < <(identify -format '%w %h\n' "$picture")
# A green pixel whose right and lower neighbours are green too, so the probes find it.
goal=$(convert "$picture" -depth 8 txt:- | awk -F'[,: ]+' '
    /#00FF00/ { g[$1 "," $2] = 1; order[n++] = $1 "," $2 }
    END { for (i = 0; i < n; i++) { split(order[i], p, ","); x = p[1]; y = p[2];
            if (g[(x+1) "," y] && g[x "," (y+1)] && g[(x+1) "," (y+1)]) { print x, y; exit } } }')
[ -n "$goal" ] || fail "no goal in the bundled level \"$bundled\""
read -r gx gy <<<"$goal"

t0=$SECONDS
start_level "$launcher" "$(level_index "$bundled")"
game=$(wait_window Hopplix 10)
wait_gone Levelauswahl 5
sleep 0.5
shot "$game" level
eval "$(xdotool getwindowgeometry --shell "$game")"
# The picture is stretched over the client area, each axis on its own.
cx=$(( (2 * gx + 1) * WIDTH / (2 * pw) ))
cy=$(( (2 * gy + 1) * HEIGHT / (2 * ph) ))
xdotool windowfocus --sync "$game"
xdotool keydown j keydown k
xdotool mousemove --window "$game" "$cx" "$cy" click 1
xdotool keyup k keyup j
launcher=$(wait_window Levelauswahl 10)
wait_gone Hopplix 5
echo "bundled level \"$bundled\" won in $((SECONDS - t0)) s"

kill -0 "$pid" 2>/dev/null || fail "the program ended instead of showing the launcher"
echo "e2e_play: passed"
