#!/usr/bin/env bash
# fresh_clone.sh SOURCE WORKDIR
# The README's two commands on a fresh clone: scripts/run.sh configures build/ without tests,
# and scripts/test.sh must then configure it with them, so that CTest finds tests to run.
# Only the configure steps run (HOPPLIX_CONFIGURE_ONLY), so this stays cheap.
set -euo pipefail
src=$(realpath "$1")
work=$(realpath -m "$2")

fail() { echo "fresh_clone: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
# What a clone holds: the tracked files (as they are in the working tree) and none of the build
# folders.
(cd "$src" && git ls-files -z --cached --others --exclude-standard |
    tar --null --files-from=- --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$work"
[ -f "$work/scripts/run.sh" ] || fail "the copy of $src holds no scripts/run.sh"

tests_found() { ctest --test-dir "$work/build" -N | sed -n 's/^Total Tests: //p'; }

HOPPLIX_CONFIGURE_ONLY=1 bash "$work/scripts/run.sh" || fail "configuring as scripts/run.sh does failed"
after_run=$(tests_found)
[ "$after_run" = 0 ] || fail "scripts/run.sh configured $after_run tests; it builds the program only"

HOPPLIX_CONFIGURE_ONLY=1 bash "$work/scripts/test.sh" || fail "configuring as scripts/test.sh does failed"
after_test=$(tests_found)
[ "${after_test:-0}" -gt 0 ] || fail "after scripts/run.sh, scripts/test.sh configured no tests"
grep -q '^HOPPLIX_WERROR:BOOL=ON$' "$work/build/CMakeCache.txt" || fail "scripts/test.sh does not turn warnings into errors"
echo "fresh clone: run.sh configured 0 tests, test.sh then $after_test"
rm -rf "$work"
