#!/usr/bin/env bash
# Publishes the assistant fixture as a release for the engine tests, replacing
# an earlier one: manifests signed with the demo key, files served from
# http://bank.example/download/811.
# usage: make-release.sh NATIVE_BUILD_DIR OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=$1
out=$2
rm -rf "$out"
"$native/tools/publish/pellis-publish" --deploy "$root/deploy/demo" --bank 0x811 --version 1.0.0.3 --update 1 \
  --url http://bank.example/download/811 --files "$root/tests/fixtures/assistant" \
  --edition-list "$root/tests/fixtures/assistant-edition.list" --out "$out"
