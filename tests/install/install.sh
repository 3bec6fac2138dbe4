#!/usr/bin/env bash
# install.sh BUILD WORKDIR
# Installs the built program as a user or a distribution would, and checks the result:
#   1. `cmake --install BUILD --prefix P`: the program folder P/lib/hopplix with the program, its
#      update helper, its download library and the bundled levels, the link P/bin/hopplix, the desktop entry, the
#      icons and the AppStream metadata, which desktop-file-validate and appstreamcli accept;
#   2. `cpack` builds the Debian package: its files are those of the installation under /usr,
#      and it depends on Qt, libcurl, libgcrypt and the fonts;
#   3. the installed game starts from bin/hopplix under Xvfb, in a program folder it cannot
#      write (as user "nobody" when run as root), lists the bundled levels and starts one.
# The installation goes to a fresh folder under the system's temporary folder that every user may
# enter: "nobody" must reach the program even when the checkout sits in a private folder (mode
# 700, as root's home is). WORKDIR keeps only the logs and the package.
# In CI (CI=true, as root) the package is installed for real with apt and removed afterwards,
# and step 3 plays the system installation instead.
set -euo pipefail
build=$(realpath "$1")
work=$(realpath -m "$2")

if [ -z "${HOPPLIX_INSTALL_IN_XVFB:-}" ]; then
    # -ac: the game may run as another user than the one who started the server.
    exec env HOPPLIX_INSTALL_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24 -ac" bash "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

app_id=org.hopplix.Hopplix
fail() { echo "install: $*" >&2; exit 1; }

installed_by_test=""
pid=""
place=""
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    if [ -n "$installed_by_test" ]; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=300 hopplix >/dev/null || echo "install: could not remove hopplix again" >&2
    fi
    chmod -R u+w "$work" 2>/dev/null || true
    if [ -n "$place" ]; then chmod -R u+w "$place" 2>/dev/null; rm -rf "$place"; fi
}
trap cleanup EXIT

chmod -R u+w "$work" 2>/dev/null || true
rm -rf "$work"
mkdir -p "$work"
place=$(mktemp -d "${TMPDIR:-/tmp}/hopplix-install.XXXXXX")
chmod 755 "$place"
prefix=$place/prefix

# --- 1. the installation ------------------------------------------------------------------------
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
folder=$prefix/lib/hopplix
[ -x "$folder/Hopplix" ] || fail "no program $folder/Hopplix"
[ -x "$folder/hopplix-update" ] || fail "no update helper beside the program"
[ -f "$folder/hopplix-download.so" ] || fail "no download library beside the program"
[ "$(readlink "$prefix/bin/hopplix")" = ../lib/hopplix/Hopplix ] || fail "bin/hopplix is no link to the program"
for level in "$build/Level"/*/; do
    name=$(basename "$level")
    [ -f "$folder/Level/$name/Level.bmp" ] || fail "level \"$name\" is not installed"
done
for tool in hopplix-replay hopplix-publish; do
    [ ! -e "$folder/$tool" ] && [ ! -e "$prefix/bin/$tool" ] || fail "$tool is a tool for authors, not for players"
done
desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log" >&2; fail "appstreamcli refuses $metainfo"; }
grep -q '<summary xml:lang="de">' "$metainfo" || fail "no German summary"
icons=$prefix/share/icons/hicolor
for size in 48 64 128 256; do
    png=$icons/${size}x${size}/apps/$app_id.png
    [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] || fail "no ${size} px icon at $png"
done
grep -q '<svg' "$icons/scalable/apps/$app_id.svg" || fail "no scalable icon"

# --- 2. the Debian package ------------------------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work/package"/hopplix_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb"
diff <(cd "$prefix" && find . -mindepth 1 ! -type d | sed 's|^\./|./usr/|' | sort) \
     <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort) ||
    fail "the package's files differ from the installation's (above: < installation, > package)"
depends=$(dpkg-deb -f "$deb" Depends)
depended=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/^ *([^ ]+).*/\1/')
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libcurl4 libgcrypt20 fonts-liberation2; do
    grep -qx "$needed" <<<"$depended" || fail "the package does not depend on $needed: $depends"
done

# --- 3. the installed game --------------------------------------------------------------------
program=$prefix/bin/hopplix
if [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ] && ! dpkg-query -W hopplix >/dev/null 2>&1; then
    installed_by_test=yes
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt could not install $deb"; }
    program=/usr/bin/hopplix
fi

# Waits at most $2 seconds for a visible window titled exactly $1 and prints its id.
wait_window() {
    local deadline=$((SECONDS + $2)) id
    while ((SECONDS < deadline)); do
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for \"$1\": $(cat "$work/game.log")"
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    fail "no window \"$1\" within $2 s: $(cat "$work/game.log")"
}

as_player=()
if [ "$(id -u)" = 0 ]; then
    as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent XDG_RUNTIME_DIR=)
else
    chmod -R a-w "$folder"
fi
(cd / && exec "${as_player[@]}" "$program") >"$work/game.log" 2>&1 &
pid=$!
launcher=$(wait_window Levelauswahl 20)
# The first level, by keyboard, then Start (Command1, at 224,112 pixels): the level's window
# comes only if the level list holds the bundled levels.
xdotool windowfocus --sync "$launcher"
xdotool key Home
xdotool mousemove --window "$launcher" 224 112 click 1
wait_window Hopplix 10 >/dev/null
echo "install: $program lists and starts its levels; package $(basename "$deb")"
