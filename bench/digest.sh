#!/usr/bin/env bash
# File digest throughput: the program's DigestOfFile, natively and under Wine,
# against `openssl dgst -sha1` on the same file, from the page cache. Also the
# SHA-1 alone over memory: `openssl speed` and each build's library.
#   bench/digest.sh [MEGABYTES] [ROUNDS]    defaults: 1024 MB, 3 rounds
set -euo pipefail
. "$(dirname "$0")/common.sh"
megabytes=${1:-1024}
rounds=${2:-3}
work=$(mktemp -d /tmp/pellis-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

file=$work/large.bin
head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$file"
bytes=$(stat -c %s "$file")
expected=$(base64_sha1 "$file")  # also brings the file into the page cache

openssl_rate() {
  local start end
  start=$(date +%s.%N)
  openssl dgst -sha1 "$file" >/dev/null
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v b="$bytes" 'BEGIN { printf "%.1f", b / (e - s) / 1e6 }'
}
checked() {  # a digest_bench line, after checking its digest
  local line
  line=$(tr -d '\r')
  [ "$(awk '{ print $2 }' <<<"$line")" = "$expected" ] || { echo "digest: wrong digest: $line" >&2; exit 1; }
  echo "$line"
}

echo "digest: ${megabytes} MB, ${rounds} rounds"
echo "openssl speed sha1, 64 KiB blocks: $(openssl speed -seconds 2 -bytes 65536 -evp sha1 2>/dev/null |
  awk '/^sha1/ { printf "%.1f", $2 / 1000 }') MBps"
for round in $(seq "$rounds"); do
  openssl_mbps=$(openssl_rate)
  native_line=$("$native/bench/digest_bench" "$file" | checked)
  wine_line=$("$root/tests/wine/run-in-prefix.sh" "$windows/bench/digest_bench.exe" "$(windows_path "$file")" | checked)
  native_mbps=$(figure MBps "$native_line")
  wine_mbps=$(figure MBps "$wine_line")
  echo "round $round: openssl MBps=$openssl_mbps" \
       "| native MBps=$native_mbps ratio=$(ratio "$native_mbps" "$openssl_mbps")" \
       "| wine MBps=$wine_mbps ratio=$(ratio "$wine_mbps" "$openssl_mbps")" \
       "| memory MBps native=$(figure memory_MBps "$native_line") wine=$(figure memory_MBps "$wine_line")"
done
