#!/usr/bin/env bash
# update_windows.sh PROGRAM NEXT PUBLISH PROBE TEST_KEYS LEVELS PORT WORKDIR -- WINE_RUN PREFIX WINE
# A signed update of the running Windows program from nginx on the loopback PORT (plain http),
# under Wine on the X server and prefix of cmake/wine_display_run.sh. PROGRAM is built for that
# server and the test key (in TEST_KEYS), NEXT is the same built as version 1,1, which PUBLISH
# (the host's hopplix-publish) offers with a new level "7 Neu" in its Pfad folder Level/7 Neu.
# In a program folder of PROGRAM and LEVELS, the player answers the question "Update" with Ja:
#   1. a tampered file on the server: refused with its German message, the folder unchanged;
#   2. the program file held open by another program while update.cmd runs: the next start
#      says "Update fehlgeschlagen", and the folder is wholly the old one;
#   3. the good update: the new program restarts by itself and lists the new level.
# PROBE reads the windows' texts and holds the file open.
set -euo pipefail
program=$(realpath "$1") next=$(realpath "$2") publish=$(realpath "$3") probe=$(realpath "$4")
keys=$(realpath "$5") levels=$(realpath "$6") port=$7 work=$(realpath -m "$8")
shift 8
[ "$1" = -- ] && shift
wine_run=("$@")
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

rm -rf "$work"
mkdir -p "$work/www" "$work/nginx/tmp" "$work/new"
log="$work/hopplix.log"
prog="$work/prog"
: >"$log"
wine() { "${wine_run[@]}" "$@"; }
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
pid="" holder="" nginx="" passed=""
# The work folder stays for a look after a failure.
cleanup() {
    touch "$work/release" 2>/dev/null || true
    for p in $pid $holder $nginx; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    [ -z "$passed" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "e2e_windows_update: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null || true
    echo "--- program output ---" >&2
    grep -v ':fixme:' "$log" >&2 || true
    exit 1
}

# --- the server --------------------------------------------------------------------------------
answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }
answers && fail "port $port is taken"
cat >"$work/nginx/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid "$work/nginx/nginx.pid";
error_log "$work/nginx/error.log";
events { worker_connections 32; }
http {
    access_log "$work/nginx/access.log";
    client_body_temp_path "$work/nginx/tmp/body";
    proxy_temp_path "$work/nginx/tmp/proxy";
    fastcgi_temp_path "$work/nginx/tmp/fastcgi";
    uwsgi_temp_path "$work/nginx/tmp/uwsgi";
    scgi_temp_path "$work/nginx/tmp/scgi";
    default_type application/octet-stream;
    server { listen 127.0.0.1:$port; root "$work/www"; }
}
EOF
/usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
nginx=$!
for _ in $(seq 100); do answers && break; sleep 0.1; done
answers || fail "nginx did not start: $(cat "$work/nginx/error.log" 2>/dev/null)"

# The test's secret key, as the tests' key header holds it.
secret=$(sed -n '/kTestSecretKey =/,/;$/p' "$keys" | grep -o '"[^"]*"' | tr -d '"\n')
printf '%b' "$secret" >"$work/key.sec"
cp "$next" "$work/new/Hopplix.exe"
cp "$levels/1 Erste Schritte/Level.bmp" "$work/new/Level.bmp"
publish_update() {
    rm -rf "$work/www/werkhof"
    "$publish" --program "$work/new/Hopplix.exe" --version 1,1 --base-url "http://127.0.0.1:$port" \
        --sign "$work/key.sec" --file "$work/new/Level.bmp@Level/7 Neu" "$work/www" >/dev/null ||
        fail "hopplix-publish failed"
}

# --- the program folder and the player ---------------------------------------------------------
mkdir -p "$prog"
cp "$program" "$prog/Hopplix.exe"
cp -r "$levels" "$prog/Level"
snapshot() { (cd "$prog" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum); }
old=$(snapshot)

source "$(dirname "$0")/../../support/on_screen.sh"
texts() { wine "$probe" texts "$1" 2>/dev/null | tr -d '\r'; }
click() {
    local at left top right bottom deadline=$((SECONDS + 10))
    until at=$(wine "$probe" rect "$1" "$2" 2>/dev/null | tr -d '\r'); do
        ((SECONDS < deadline)) || fail "no \"$2\" in the window \"$1\""
        sleep 0.2
    done
    read -r left top right bottom <<<"$at"
    xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
}
# Starts the program in its folder and answers its question with Ja.
start_and_update() {
    wine "$(winpath "$prog")\\Hopplix.exe" >>"$log" 2>&1 &
    pid=$!
    wait_window Update 60 >/dev/null
    click Update Ja
}
# Clicks OK on every "Error" box, checking that one says $1, and on "Nein" to a question
# again, until the launcher alone is left; then closes it.
expect_error_then_close() {
    local said="" message deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        if [ -n "$(visible Error)" ]; then
            message=$(texts Error)
            said+="$message|"
            click Error OK
            # The next box may carry the same title.
            for _ in $(seq 50); do
                [ -z "$(visible Error)" ] || [ "$(texts Error)" != "$message" ] && break
                sleep 0.2
            done
        elif [ -n "$(visible Update)" ]; then
            click Update Nein
            wait_gone Update 10
        elif [ -n "$(visible Levelauswahl)" ] && [ -n "$said" ]; then
            break
        fi
        sleep 0.2
    done
    grep -qF "$1" <<<"$said" || fail "no message \"$1\"; the program said: ${said:-nothing}"
    wine "$probe" close Levelauswahl || fail "the launcher could not be asked to close"
    wait_gone Levelauswahl 10
    echo "said: $(tr "\n" " " <<<"$said")"
}

# --- 1. a tampered file ------------------------------------------------------------------------
publish_update
served=$(find "$work/www/werkhof" -type f -name Level.bmp | head -n 1)
[ -n "$served" ] || fail "the published level picture is not on the server"
printf 'x' >>"$served"
start_and_update
expect_error_then_close "Updatefehler bei Datei 'Level.bmp'"
[ "$(snapshot)" = "$old" ] || fail "the tampered update changed the folder: $(diff <(echo "$old") <(snapshot))"
echo "tampered file refused, the folder unchanged"

# --- 2. the program file held open while the script runs ----------------------------------------
publish_update
wine "$probe" hold "$(winpath "$prog")\\Hopplix.exe" "$(winpath "$work")\\release" >"$work/hold.txt" 2>&1 &
holder=$!
for _ in $(seq 100); do grep -q held "$work/hold.txt" 2>/dev/null && break; sleep 0.1; done
grep -q held "$work/hold.txt" || fail "the program file could not be held open"
start_and_update
# The program hands over to update.cmd and ends; the message comes from the start the script makes.
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not hand over within 30 s"
wait "$pid" || fail "the program ended with status $? at the hand-over"
pid=""
expect_error_then_close "Update fehlgeschlagen"
touch "$work/release"
wait "$holder" || true
holder=""
[ "$(snapshot)" = "$old" ] || fail "the held program file left the folder changed: $(diff <(echo "$old") <(snapshot))"
echo "held program file: \"Update fehlgeschlagen\", the folder wholly old"

# --- 3. the good update ------------------------------------------------------------------------
start_and_update
wait "$pid" || fail "the program ended with status $? at the hand-over"
pid=""
wait_window Levelauswahl 60 >/dev/null
[ -z "$(visible Update)" ] || fail "the new program offered the update again"
captions=$(texts Levelauswahl)
grep -qxF "> 7 Neu" <<<"$captions" || grep -qxF "* 7 Neu" <<<"$captions" ||
    fail "the new level is not listed: $(tr '\n' '|' <<<"$captions")"
cmp -s "$next" "$prog/Hopplix.exe" || fail "the program file is not the new one"
cmp -s "$work/new/Level.bmp" "$prog/Level/7 Neu/Level.bmp" || fail "the new level did not arrive"
wine "$probe" close Levelauswahl || fail "the launcher could not be asked to close"
wait_gone Levelauswahl 10
for gone in Hopplix.dxe update.cmd updatedata.txt .hopplix-staging .hopplix-backup .hopplix-swap; do
    [ ! -e "$prog/$gone" ] || fail "$gone is left in the program folder"
done
passed=1
echo "e2e_windows_update: passed"
