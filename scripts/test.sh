#!/usr/bin/env bash
# Sets up, builds and runs every test.
#   scripts/test.sh            the whole suite (unit, window, end-to-end), benchmarks run briefly,
#                              after the formatter's and clang-tidy's checks (scripts/lint.sh)
#   scripts/test.sh sanitize   the whole suite built with AddressSanitizer and UBSan (Debug), but
#                              for solving the bundled levels (label solve), far too slow there
#   scripts/test.sh release    a Release build of everything in build-release (no test run)
#   scripts/test.sh windows    the core, its tools, Hopplix.exe on the Windows window backend and
#                              the tests cross-built for Windows in build-win, the tests run under
#                              Wine (the backend's on an Xvfb of their own); hopplix-replay and
#                              hopplix-check there and here must print the same bytes (the Linux
#                              tools, and map_time for the start-up benchmark, are built in build)
#   scripts/test.sh private    the install test from a copy of the checkout inside a folder of mode
#                              700 (as root's home is): the installed game runs as another user,
#                              who cannot enter that folder
# Warnings are errors here. The build folder's cache may come from scripts/run.sh, which turns
# the tests off: the options the tests need are set on every configure, so they are never
# missing, and CTest fails when it finds no tests.
# HOPPLIX_CONFIGURE_ONLY=1 stops after configuring.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-normal}
bash scripts/setup.sh

jobs=$(nproc)
configure() {
  cmake -S . -B "$1" -G Ninja -DHOPPLIX_WERROR=ON -DHOPPLIX_TESTS=ON "${@:2}" >/dev/null
  if [ -n "${HOPPLIX_CONFIGURE_ONLY:-}" ]; then exit 0; fi
}

case "$mode" in
  normal)
    configure build -DHOPPLIX_BENCH=ON -DHOPPLIX_SANITIZE=OFF
    cmake --build build -j "$jobs"
    bash scripts/lint.sh build
    ctest --test-dir build --output-on-failure --no-tests=error -j "$jobs" --timeout 600
    ;;
  sanitize)
    configure build-asan -DHOPPLIX_SANITIZE=ON -DHOPPLIX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    cmake --build build-asan -j "$jobs"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # Leaks are checked where only our code runs; Qt keeps some allocations for the process' life.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      ctest --test-dir build-asan --output-on-failure --no-tests=error -j "$jobs" --timeout 900 -L core
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
      ctest --test-dir build-asan --output-on-failure --no-tests=error -j "$jobs" --timeout 900 -LE 'core|e2e|bench|solve'
    ;;
  release)
    configure build-release -DHOPPLIX_BENCH=ON -DHOPPLIX_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release
    cmake --build build-release -j "$jobs"
    ;;
  windows)
    configure build -DHOPPLIX_BENCH=ON -DHOPPLIX_SANITIZE=OFF
    cmake --build build -j "$jobs" --target hopplix-replay hopplix-check hopplix-publish hopplix_map_time
    configure build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DHOPPLIX_HOST_TOOLS="$PWD/build"
    cmake --build build-win -j "$jobs"
    ctest --test-dir build-win --output-on-failure --no-tests=error -j "$jobs" --timeout 600
    ;;
  private)
    # The tracked and the new files as they are now, uncommitted changes included.
    private=$(mktemp -d)
    trap 'rm -rf "$private"' EXIT
    [ "$(stat -c %a "$private")" = 700 ] || { echo "test.sh: $private is not private" >&2; exit 1; }
    git ls-files -z --cached --others --exclude-standard |
      tar --null -T - --ignore-failed-read -c 2>/dev/null | tar -x -C "$private"
    configure "$private/build" -DHOPPLIX_BENCH=OFF -DHOPPLIX_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release
    cmake --build "$private/build" -j "$jobs" --target Hopplix icons
    ctest --test-dir "$private/build" --output-on-failure --no-tests=error -R '^e2e_install$'
    ;;
  *) echo "unknown mode: $mode" >&2; exit 2 ;;
esac
