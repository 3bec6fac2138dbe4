#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while (seconds, default 60).
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/setup.sh
# Only the core is needed; the core sources get coverage instrumentation for the fuzzer.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DHOPPLIX_FUZZ=ON -DHOPPLIX_TESTS=OFF -DHOPPLIX_WERROR=ON \
      -DHOPPLIX_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
targets=$(cd fuzz && ls *_fuzz.cpp 2>/dev/null | sed -E 's/_fuzz\.cpp$//; s/^/fuzz_/')
[ -n "$targets" ] || { echo "no fuzz targets"; exit 0; }
cmake --build build-fuzz --target $targets
for t in $targets; do
  name=${t#fuzz_}
  work=build-fuzz/corpus-$name
  mkdir -p "$work"
  seeds=fuzz/corpus/$name
  echo "== $t for ${seconds}s"
  mkdir -p build-fuzz/artifacts
  ./build-fuzz/fuzz/$t -artifact_prefix=build-fuzz/artifacts/ -max_total_time="$seconds" -max_len=65536 -timeout=10 "$work" $( [ -d "$seeds" ] && echo "$seeds" )
done
