#!/usr/bin/env bash
# Sets up, builds and starts Hopplix with its bundled levels (HOPPLIX_CONFIGURE_ONLY=1 stops
# after configuring).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DHOPPLIX_TESTS=OFF -DHOPPLIX_BENCH=OFF >/dev/null
if [ -n "${HOPPLIX_CONFIGURE_ONLY:-}" ]; then exit 0; fi
cmake --build build --target Hopplix
exec ./build/Hopplix
