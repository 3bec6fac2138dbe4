#!/usr/bin/env bash
# Sets up, builds and runs every test.
#   scripts/test.sh            the whole suite (unit, window, end-to-end), benchmarks run briefly
#   scripts/test.sh sanitize   the whole suite built with AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-normal}
bash scripts/setup.sh

jobs=$(nproc)
case "$mode" in
  normal)
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build -j "$jobs"
    ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600
    ;;
  sanitize)
    cmake -S . -B build-asan -G Ninja -DHOPPLIX_SANITIZE=ON -DHOPPLIX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build build-asan -j "$jobs"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # Leaks are checked where only our code runs; Qt keeps some allocations for the process' life.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900 -L core
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
      ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900 -LE 'core|e2e|bench'
    ;;
  *) echo "unknown mode: $mode" >&2; exit 2 ;;
esac
