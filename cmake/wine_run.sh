#!/usr/bin/env bash
# wine_run.sh PREFIX WINE PROGRAM [ARGUMENTS...]: runs a Windows program under Wine in the Wine
# prefix PREFIX (a folder in the build folder), making the prefix on first use.
#
# Making a prefix takes several seconds; parallel tests wait for the first one to finish it.
# The prefix behaves like a plain Windows installation where that matters to us: file names
# starting with a dot are not hidden (Wine hides them by default), and no Mono or Gecko
# installer is offered. Wine's own messages go to the error output, untouched.
set -euo pipefail
prefix=$1 wine=$2
shift 2
export WINEPREFIX=$prefix
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -e "$prefix/.hopplix-ready" ]; then
  # The Wine server these start outlives them: it must not keep the lock.
  "$wine" wineboot --init 9>&-
  "$wine" reg add 'HKCU\Software\Wine' /v ShowDotFiles /t REG_SZ /d Y /f >/dev/null 9>&-
  touch "$prefix/.hopplix-ready"
fi
flock -u 9
exec 9>&-
exec "$wine" "$@"
