#!/usr/bin/env bash
# Builds everything: the native tree (portable core, Linux tools, native tests)
# and the Windows tree (pellis_811.exe and the Windows tests).
# Extra arguments go to the Windows configure step, e.g. -DPELLIS_BANK_ID=0x815.
set -euo pipefail
cd "$(dirname "$0")/.."
deps=$(scripts/build-deps.sh)
cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows -DPELLIS_DEPS_PREFIX="$deps" "$@" >/dev/null
cmake --build --preset windows
