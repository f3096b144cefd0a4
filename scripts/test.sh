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
# Each Wine test has its own prefix and display, so two can run side by side.
ctest --preset windows -j2
