#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every
# test, native ones first, then the Windows ones under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-machine.sh
scripts/build.sh
ctest --preset native
# The parsers of outside bytes fuzzed briefly, and the core's unit tests, under the sanitizers.
cmake --preset fuzz -DPELLIS_TINYXML_SOURCE="$(scripts/build-deps.sh --source tinyxml)" \
  -DPELLIS_JSONCPP_SOURCE="$(scripts/build-deps.sh --source libjsoncpp)" >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz -j2
# Each Wine test has its own prefix and display, so several can run side by
# side; they spend much of their time waiting on the program's fixed pauses,
# so three at a time keep two cores busy.
# A machine that cannot run 32-bit code even under the emulation the set-up
# registers cannot start the program under Wine at all: everything still
# builds, the tests without Wine run, and the Wine tests are reported as not
# run, never as passed.
if tests/wine/can-run-32bit.sh; then
  ctest --preset windows -j3
else
  ctest --preset windows -j3 -LE wine
  echo "test: THE WINDOWS SUITE'S WINE TESTS DID NOT RUN on this machine; they built, but those" \
       "$(ctest --preset windows -N -L wine | sed -n 's/^Total Tests: //p') tests need a kernel that runs 32-bit programs" >&2
fi
