#!/usr/bin/env bash
# Cost of an update pass against the number of manifest entries: one release
# per size, installed as published, so every entry is compared (both manifests
# indexed, every installed file's digest computed) and found unchanged.
#   bench/update_pass.sh [ENTRIES...]    defaults: 1000 10000 50000
set -euo pipefail
. "$(dirname "$0")/common.sh"
[ $# -gt 0 ] || set -- 1000 10000 50000
work=$(mktemp -d /tmp/pellis-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

for entries in "$@"; do
  run=$work/$entries
  mkdir -p "$run/files/Data"
  python3 - "$run/files/Data" "$entries" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(folder, "f%06d.dat" % i), "w") as f:
        f.write("entry %d\n" % i)
PY
  "$native/tools/publish/pellis-publish" --deploy "$root/deploy/demo" --bank 0x811 --version 1.0.0.4 --update 1 \
    --url http://bank.example/download/811 --files "$run/files" --out "$run/release" >/dev/null
  # The install folder the pass compares with: the release as installed.
  cp -r "$run/release/download" "$run/install"
  mkdir -p "$run/install/DownLoad"
  line=$("$root/tests/wine/run-in-prefix.sh" "$windows/bench/engine_bench.exe" update-pass \
         "$(windows_path "$run/install")" | tr -d '\r')
  awk -v line="$line" -v n="$(figure entries "$line")" -v s="$(figure seconds "$line")" \
    'BEGIN { printf "%s us_per_entry=%.0f\n", line, s / n * 1e6 }'
  rm -rf "$run"
done
