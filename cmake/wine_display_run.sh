#!/usr/bin/env bash
# wine_display_run.sh PREFIX COMMAND [ARGUMENTS...]: runs COMMAND (which starts Windows programs
# that show windows under Wine, e.g. through cmake/wine_run.sh) with an X server of its own
# (Xvfb, on a display it picks itself) and the Wine prefix PREFIX. The prefix is kept apart from
# the build's console tests: its Wine server and desktop belong to this display. The X server
# and the prefix's Wine server are stopped at the end.
set -euo pipefail
prefix=$1
shift
work=$(mktemp -d)
xvfb=
cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
# One run at a time per prefix: its Wine server is stopped at the end.
mkdir -p "$(dirname "$prefix")"
exec 8>"$prefix.display.lock"
flock 8

# Xvfb writes the display it took once it accepts connections.
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$work/display" 2>"$work/xvfb.log" 8>&- &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.05
done
[ -s "$work/display" ] || { echo "wine_display_run.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display") WINEPREFIX=$prefix
# Without a window manager Wine would wait two seconds for one at every window it hides: its
# windows are unmanaged here, placed and framed by Wine itself as on Windows.
if [ ! -e "$prefix/.hopplix-unmanaged" ]; then
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  bash "$(dirname "$0")/wine_run.sh" "$prefix" "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 8>&-
  touch "$prefix/.hopplix-unmanaged"
fi
status=0
"$@" 8>&- || status=$?
exit "$status"
