#!/usr/bin/env bash
# Load on the reference server's version query: wrk on loopback, bounded in
# time, against one pellis-server; prints requests per second and latency
# percentiles (record them in docs/PERFORMANCE.md). Needs `wrk` (Debian package).
#   bench/server_load.sh [SECONDS] [CONNECTIONS]     defaults: 10 s, 32 connections
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
connections=${2:-32}
native=$root/build/native
command -v wrk >/dev/null || { echo "server_load: needs wrk (apt-get install wrk)" >&2; exit 1; }
work=$(mktemp -d /tmp/pellis-load.XXXXXX)
server_pid=
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

"$native/tools/server/pellis-server" --deploy "$root/deploy/demo" --release "$root/tests/fixtures/releases/811-current" \
  --ports-file "$work/ports" --log /dev/null --lifetime $((seconds + 30)) >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/ports")
envelope=$("$native/tests/pellis_protocol_cli" seal "$root/deploy/demo" 811)

# Every request opens the envelope and seals a fresh answer, as for real clients.
wrk -t2 -c"$connections" -d"${seconds}s" --latency \
  "http://127.0.0.1:$port/assist/server?reqtype=1&data=$envelope"
