#!/usr/bin/env bash
# Makes a delay-import library for DLL from the toolchain's ordinary import
# library of it: the same functions, bound on first call instead of at load time.
# usage: make-delay-import.sh NM DLLTOOL IMPORT_LIBRARY DLL_NAME OUTPUT
set -euo pipefail
nm=$1 dlltool=$2 import_library=$3 dll=$4 output=$5
def="$output.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # Functions appear as "T _Name@N" (stdcall) in a 32-bit import library.
  "$nm" -g --defined-only "$import_library" 2>/dev/null | sed -n 's/^[0-9a-f]* T _\([A-Za-z0-9_]*@[0-9]*\)$/\1/p' | sort -u
} >"$def"
"$dlltool" --input-def "$def" --output-delaylib "$output" --dllname "$dll"
