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

source "$(dirname "$0")/../support/on_screen.sh"
# -ac: the game may run as another user than the one who started the server.
in_xvfb -ac -- "$0" "$@"

app_id=org.hopplix.Hopplix
fail() {
    echo "install: $*" >&2
    if [ -f "$work/game.log" ]; then cat "$work/game.log" >&2; fi
    exit 1
}

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

as_player=()
if [ "$(id -u)" = 0 ]; then
    as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent XDG_RUNTIME_DIR=)
else
    chmod -R a-w "$folder"
fi
(cd / && exec "${as_player[@]}" "$program") >"$work/game.log" 2>&1 &
pid=$!
# The first level, by keyboard, then Start: the level's window comes only if the level list
# holds the bundled levels.
start_level 0 20
wait_window Hopplix 10 >/dev/null
echo "install: $program lists and starts its levels; package $(basename "$deb")"
