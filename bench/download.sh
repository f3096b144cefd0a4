#!/usr/bin/env bash
# Download throughput: the program's DownloadFile under Wine against curl,
# side by side on one pellis-server on loopback, both through the proxy the
# prefix is set to (plain HTTP, the request names bank.example in full).
# Then the download loop's parts alone under Wine: the bare WinINet transfer
# at the old read size (4096) and at the download's (262144), and at the
# latter with the file write and/or the digest added.
#   bench/download.sh [MEGABYTES] [ROUNDS]    defaults: 300 MB, 3 rounds
set -euo pipefail
. "$(dirname "$0")/common.sh"
megabytes=${1:-300}
rounds=${2:-3}
bench=$windows/bench/engine_bench.exe
export PELLIS_WINE_TIMEOUT=${PELLIS_WINE_TIMEOUT:-300}
work=$(mktemp -d /tmp/pellis-bench.XXXXXX)
server_pid=
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$work/large.bin"
digest=$(base64_sha1 "$work/large.bin")
"$native/tools/server/pellis-server" --serve "/large.bin=$work/large.bin" --ports-file "$work/ports" --log /dev/null \
  --lifetime 3600 >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 300); do [ -s "$work/ports" ] && break; sleep 0.1; done
proxy=$(sed -n 's/.*proxy=\([0-9]*\).*/\1/p' "$work/ports")
url=http://bank.example/large.bin

curl_rate() {
  local seconds
  seconds=$(timeout 300 curl -sS --fail -x "http://127.0.0.1:$proxy" -o "$work/curl.bin" -w '%{time_total}' "$url")
  cmp -s "$work/curl.bin" "$work/large.bin" || { echo "download: curl fetched other bytes" >&2; exit 1; }
  rm -f "$work/curl.bin"
  awk -v s="$seconds" -v b="$(stat -c %s "$work/large.bin")" 'BEGIN { printf "%.1f", b / s / 1e6 }'
}
in_wine() { "$root/tests/wine/run-in-prefix.sh" --proxy-port "$proxy" "$bench" "$@"; }

echo "download: ${megabytes} MB, ${rounds} rounds, through the proxy on 127.0.0.1:$proxy"
curl_rate >/dev/null  # the server's first answer of a file is slower than the rest
for round in $(seq "$rounds"); do
  curl_mbps=$(curl_rate)
  line=$(in_wine download "$url" 'C:\large.bin' "$digest" | tr -d '\r')
  program_mbps=$(figure MBps "$line")
  echo "round $round: curl MBps=$curl_mbps | $line | ratio=$(ratio "$program_mbps" "$curl_mbps")"
done
curl_mbps=$(curl_rate)
line=$(in_wine download-quiet "$url" 'C:\large.bin' "$digest" | tr -d '\r')
echo "no progress: curl MBps=$curl_mbps | $line | ratio=$(ratio "$(figure MBps "$line")" "$curl_mbps")"
in_wine wininet-read "$url" 4096 | tr -d '\r'
for parts in "" write digest "write digest"; do
  # shellcheck disable=SC2086  # the parts are separate arguments
  in_wine wininet-read "$url" 262144 $parts | tr -d '\r'
done
