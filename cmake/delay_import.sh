#!/usr/bin/env bash
# delay_import.sh NM DLLTOOL IMPORT_LIBRARY DLL OUTPUT: makes OUTPUT, a delay-load import library
# for DLL with every function IMPORT_LIBRARY (MinGW-w64's ordinary import library) names: a
# program linked with it loads DLL when it first calls one of them, not when it starts.
set -euo pipefail
nm=$1 dlltool=$2 import=$3 dll=$4 output=$5
def=$output.def
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" -g --defined-only "$import" 2>/dev/null | awk '$2 == "T" && $3 !~ /^(\.|_head_|__imp_)/ && $3 !~ /_iname$/ { print $3 }' | sort -u
} >"$def"
"$dlltool" -d "$def" -y "$output" -D "$dll"
