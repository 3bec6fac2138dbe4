#!/usr/bin/env bash
# run_with_server.sh PROGRAM [ARGUMENTS...]: runs a test program with serve.py serving on free
# ports of 127.0.0.1, over http (HOPPLIX_TEST_SERVER) and over https with a certificate made
# now (HOPPLIX_TEST_TLS_SERVER, the certificate in HOPPLIX_TEST_CERT, another in
# HOPPLIX_TEST_OTHER_CERT), and ends the servers afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
servers=()
cleanup() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
for name in server other; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/$name.key" -out "$work/$name.pem" 2>/dev/null
done
serve() { # serve PORTFILE [CERT KEY]
  python3 "$here/serve.py" "$@" &
  servers+=($!)
  for _ in $(seq 100); do
    [ -s "$1" ] && return 0
    kill -0 "${servers[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "serve.py gave no port" >&2
  exit 1
}
serve "$work/port"
serve "$work/tls-port" "$work/server.pem" "$work/server.key"
export HOPPLIX_TEST_SERVER="http://127.0.0.1:$(cat "$work/port")"
export HOPPLIX_TEST_TLS_SERVER="https://127.0.0.1:$(cat "$work/tls-port")"
export HOPPLIX_TEST_CERT="$work/server.pem" HOPPLIX_TEST_OTHER_CERT="$work/other.pem"
"$@"
