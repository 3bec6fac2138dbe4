#!/usr/bin/env bash
# installer.sh INSTALLER PROGRAM LEVELS -- WINE_RUN PREFIX WINE
# Installs with INSTALLER silently under Wine into the user's local programs folder and checks
# what it put there: PROGRAM as Hopplix.exe, the bundled LEVELS in Level\, the Start-menu entry
# and the uninstall entry under HKCU. Then a level of the player's and leftovers of an update
# are added, the quiet uninstall command from that entry runs, and only the player's files stay.
set -euo pipefail
installer=$(realpath "$1") program=$(realpath "$2") levels=$(realpath "$3")
shift 3
[ "$1" = -- ] && shift
wine_run=("$@")
prefix=$2
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hopplix'
# No menu files for the build machine's desktop.
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

fail() { echo "installer.sh: $*" >&2; exit 1; }
wine() { "${wine_run[@]}" "$@"; }
unix_path() { local p=${1%$'\r'}; p=${p#[Cc]:\\}; echo "$prefix/drive_c/${p//\\//}"; }

folders=$(wine cmd /c 'echo %LOCALAPPDATA%& echo %APPDATA%' 2>/dev/null)
local_appdata=$(unix_path "$(sed -n 1p <<<"$folders")")
appdata=$(unix_path "$(sed -n 2p <<<"$folders")")
target="$local_appdata/Programs/Hopplix"
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/Hopplix.lnk"
[ -d "$local_appdata" ] || fail "no local application data folder at $local_appdata"

cleanup() {
    rm -rf "$target" "$shortcut"
    wine reg delete "$key" /f >/dev/null 2>&1 || true
}
cleanup
trap cleanup EXIT

wine "$installer" /S || fail "the silent install failed"
cmp "$program" "$target/Hopplix.exe" || fail "Hopplix.exe is not the program"
diff -r "$levels" "$target/Level" || fail "Level\\ differs from the bundled levels"
[ -f "$target/Uninstall.exe" ] || fail "no Uninstall.exe"
[ -f "$shortcut" ] || fail "no Start-menu entry at $shortcut"
entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
for value in 'DisplayName    REG_SZ    Hopplix' 'DisplayVersion    REG_SZ    ' 'InstallLocation    REG_SZ    C:\' \
             'QuietUninstallString    REG_SZ    "C:\' ; do
    grep -qF "$value" <<<"$entry" || fail "the uninstall entry lacks \"$value\": $entry"
done
quiet=$(sed -n 's/^ *QuietUninstallString *REG_SZ *//p' <<<"$entry")
[ "$quiet" = "\"$(sed -n 's/^ *InstallLocation *REG_SZ *//p' <<<"$entry")\\Uninstall.exe\" /S" ] ||
    fail "unexpected quiet uninstall command: $quiet"

# What the player made, and what an update left behind when it stopped halfway.
mkdir -p "$target/Level/Mein Level" "$target/.hopplix-staging/files"
echo mine >"$target/Level/Mein Level/Level.bmp"
echo mine >"$target/Notizen.txt"
touch "$target/update.cmd" "$target/Hopplix.dxe" "$target/.hopplix-staging/files/x"

# The uninstaller runs from a copy of itself, so the command returns before it has finished.
uninstaller=${quiet#\"}
uninstaller=${uninstaller%%\"*}
wine "$uninstaller" /S || fail "the silent uninstall failed to start"
expected="./Level ./Level/Mein Level ./Level/Mein Level/Level.bmp ./Notizen.txt "
for _ in $(seq 1 600); do
    left=$(cd "$target" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
    [ "$left" != "$expected" ] || break
    sleep 0.1
done
[ "$left" = "$expected" ] || fail "a minute on, the uninstaller has left other than the player's files: $left"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
if wine reg query "$key" >/dev/null 2>&1; then fail "the uninstall entry is still there"; fi
echo "installed, checked and uninstalled"
