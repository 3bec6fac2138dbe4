#!/usr/bin/env bash
# wine_server.sh start|stop PREFIX WINESERVER [-- WINE_RUN...]: keeps one Wine server running for
# the Wine prefix PREFIX while a test run lasts, and stops it at the end.
#
# Each program started under Wine needs the prefix's server; without one kept running every
# start brings one up (with Wine's services) and every end takes it down again, which costs about
# a second each. The server is the prefix's own: stopping it ends only programs of this prefix.
set -euo pipefail
action=$1 prefix=$2 server=$3
shift 3
[ "${1:-}" = -- ] && shift
export WINEPREFIX=$prefix
case "$action" in
    start)
        mkdir -p "$prefix"
        # Status 2: a server already runs for the prefix (a run cut short before this one);
        # it is used as it is. The server and Wine's services outlive this script: they get
        # none of its output, which CTest would otherwise wait on to the end of the run.
        status=0
        "$server" -p </dev/null >/dev/null 2>&1 || status=$?
        [ "$status" = 0 ] || [ "$status" = 2 ] || { echo "wine_server.sh: wineserver -p: status $status" >&2; exit 1; }
        # The first program makes the prefix if need be and starts the services.
        "$@" cmd /c exit 0 </dev/null >/dev/null 2>&1
        ;;
    stop)
        "$server" -k </dev/null >/dev/null 2>&1 || true
        # Bounded: the server ends within a few seconds of being told.
        "$server" -w </dev/null >/dev/null 2>&1 &
        waiter=$!
        for _ in $(seq 1 100); do
            kill -0 "$waiter" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$waiter" 2>/dev/null; then
            kill "$waiter"
            echo "wine_server.sh: the Wine server of $prefix did not stop within 10 s" >&2
            exit 1
        fi
        ;;
    *) echo "wine_server.sh: start or stop" >&2; exit 2 ;;
esac
