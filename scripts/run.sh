#!/usr/bin/env bash
# Sets up, builds and starts Hopplix with its bundled levels.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DHOPPLIX_TESTS=OFF -DHOPPLIX_BENCH=OFF >/dev/null
cmake --build build --target Hopplix
exec ./build/Hopplix
