#!/usr/bin/env bash
# run_with_server.sh PROGRAM [ARGUMENTS...]: runs a test program with serve.py serving on a free
# port of 127.0.0.1, named to it in HOPPLIX_TEST_SERVER, and ends the server afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
python3 "$here/serve.py" "$work/port" &
server=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  kill -0 "$server" 2>/dev/null || { echo "serve.py ended" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/port" ] || { echo "serve.py gave no port" >&2; exit 1; }
export HOPPLIX_TEST_SERVER="http://127.0.0.1:$(cat "$work/port")"
"$@"
