# Sourced by the scripts that drive the real program on a virtual X server (Xvfb): starting the
# server, a program folder with a level, a window manager, and waiting for windows.
# The sourcing script defines fail MESSAGE (prints and exits) and sets pid to the program's
# process once it has started it.

# in_xvfb [SERVER OPTIONS] -- SCRIPT ARGUMENTS...: runs SCRIPT again on a 1280x1024 virtual
# X server of its own unless it already runs on one; there the program draws on that server,
# whatever platform the caller's environment names.
in_xvfb() {
    local options=()
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    shift
    if [ -z "${HOPPLIX_E2E_IN_XVFB:-}" ]; then
        exec env HOPPLIX_E2E_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24 ${options[*]}" bash "$@"
    fi
    export QT_QPA_PLATFORM=xcb
}

# program_folder PROGRAM WORK LEVEL...: WORK afresh, holding a copy of PROGRAM and the empty
# level folders WORK/Level/LEVEL.
program_folder() {
    local program=$1 work=$2
    shift 2
    rm -rf "$work"
    mkdir -p "$work/Level"
    for level in "$@"; do mkdir -p "$work/Level/$level"; done
    cp "$program" "$work/Hopplix"
}

# ground_level FOLDER [DRAW...]: FOLDER/Level.bmp, 320 x 240 white pixels over black ground
# 40 pixels high, with ImageMagick's drawing options DRAW on top.
ground_level() {
    local folder=$1
    shift
    convert -size 320x240 xc:white +antialias -fill black -draw "rectangle 0,200 319,239" "$@" \
        -type TrueColor "BMP3:$folder/Level.bmp"
}

# Processes started here, ended when the script ends.
started=()
end_started() {
    for p in "${started[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

# window_manager [OPTIONS]: openbox, waited for until it manages the screen.
window_manager() {
    openbox "$@" >/dev/null 2>&1 &
    started+=($!)
    for ((i = 0; i < 100; i++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
}

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }

# wait_window TITLE [SECONDS]: the id of the visible window titled TITLE (a regular expression),
# waited for at most SECONDS (10); fails when the program ends meanwhile.
wait_window() {
    local deadline=$((SECONDS + ${2:-10})) id
    while ((SECONDS < deadline)); do
        if [ -n "${pid:-}" ]; then
            kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for \"$1\""
        fi
        id=$(visible "$1" | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    fail "no window \"$1\" within ${2:-10} s"
}

# wait_gone TITLE [SECONDS]: waits at most SECONDS (10) until no visible window is titled
# TITLE (a regular expression).
wait_gone() {
    local deadline=$((SECONDS + ${2:-10}))
    while ((SECONDS < deadline)); do
        [ -z "$(visible "$1")" ] && return 0
        sleep 0.05
    done
    fail "window \"$1\" still there after ${2:-10} s"
}

# start_level [DOWNS [SECONDS]]: in the launcher, the first level and DOWNS (0) levels further,
# then Start (Command1, at 224,112 pixels); the launcher waited for at most SECONDS.
start_level() {
    local launcher
    launcher=$(wait_window Levelauswahl "${2:-10}")
    xdotool windowactivate --sync "$launcher" 2>/dev/null || xdotool windowfocus --sync "$launcher"
    xdotool key Home
    for ((k = 0; k < ${1:-0}; k++)); do xdotool key Down; done
    xdotool mousemove --window "$launcher" 224 112 click 1
}
