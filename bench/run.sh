#!/usr/bin/env bash
# Runs the engine benchmarks under Wine against a pellis-server on loopback and
# prints their figures (record them in docs/PERFORMANCE.md).
#   bench/run.sh [DOWNLOAD_MB] [ENTRIES]      defaults: 300 MB, 20000 entries
# Needs the native and Windows trees built (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${1:-300}
entries=${2:-20000}
native=$root/build/native
bench=$root/build/windows/bench/engine_bench.exe
export PELLIS_WINE_TEMPLATE=$root/build/windows/wine-template
"$root/tests/wine/make-template.sh" "$PELLIS_WINE_TEMPLATE" >/dev/null
work=$(mktemp -d /tmp/pellis-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "bench: a ${megabytes} MB file and ${entries} small files"
mkdir -p "$work/files/Data" "$work/big"
head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$work/big/large.bin"
python3 - "$work/files/Data" "$entries" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(folder, "f%05d.dat" % i), "w") as f:
        f.write("entry %d\n" % i)
PY
"$native/tools/publish/pellis-publish" --deploy "$root/deploy/demo" --bank 0x811 --version 1.0.0.4 --update 1 \
  --url http://bank.example/download/811 --files "$work/files" --out "$work/release" >/dev/null

# The install folder the update pass compares with: the release as installed.
install="$work/install"
cp -r "$work/release/download" "$install"
mkdir -p "$install/DownLoad"

echo "bench: update pass"
"$root/tests/wine/run-in-prefix.sh" "$bench" update-pass "Z:${install//\//\\}"

echo "bench: large download"
"$root/tests/e2e/with-server.sh" "$native/tools/server/pellis-server" \
  --serve "/large.bin=$work/big/large.bin" -- \
  "$bench" download http://bank.example/large.bin 'C:\large.bin'
