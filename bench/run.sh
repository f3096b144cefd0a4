#!/usr/bin/env bash
# Runs every engine benchmark and prints its figures (record them in
# docs/PERFORMANCE.md). Loopback only; each Wine run is bounded in time.
#   bench/run.sh [DOWNLOAD_MB] [DIGEST_MB] [ENTRIES...]
#       defaults: 300 MB download, 1024 MB digest, 1000 10000 50000 entries
# Needs the native and Windows trees built (scripts/build.sh); the scripts it
# runs (download.sh, digest.sh, update_pass.sh) also run alone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
download_mb=${1:-300}
digest_mb=${2:-1024}
shift $(($# < 2 ? $# : 2))
. "$here/common.sh"
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores," \
     "$(free -g | awk '/^Mem:/ { print $2 }') GiB, $(wine --version), $(date -u +%Y-%m-%d)"
"$here/download.sh" "$download_mb"
"$here/digest.sh" "$digest_mb"
"$here/update_pass.sh" "$@"
