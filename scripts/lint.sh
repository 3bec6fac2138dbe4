#!/usr/bin/env bash
# Fails on any finding of the formatter or of clang-tidy:
#   - clang-format (.clang-format) on every C++ file in src/, tools/, tests/, bench/ and fuzz/;
#   - clang-tidy (.clang-tidy) on the sources of src/ and tools/ that this system compiles, with
#     the compile commands of the build folder BUILD (default: build), which must be configured.
# scripts/test.sh runs it after the build.
#   scripts/lint.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' | xargs -0 clang-format --dry-run -Werror

database=$build/compile_commands.json
[ -f "$database" ] || { echo "lint.sh: no $database; configure $build first" >&2; exit 2; }
sources=$(python3 - "$database" <<'PY'
import json, os, sys
root = os.getcwd()
files = {os.path.relpath(entry['file'], root) for entry in json.load(open(sys.argv[1]))}
print('\n'.join(sorted(f for f in files if f.endswith('.cpp') and f.split('/')[0] in ('src', 'tools'))))
PY
)
# Four files a run, one run a core. The compiler's warnings are GCC's business (-Werror in the
# build), so clang's own are off; clang-tidy's count of the warnings it left out is noise.
status=0
printf '%s\n' "$sources" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --extra-arg=-Wno-everything 2>&1 \
    | { grep -Ev '^[0-9]+ warnings? generated\.$' || true; } || status=$?
[ "$status" -eq 0 ] || { echo "lint.sh: clang-tidy has findings (above)" >&2; exit 1; }
