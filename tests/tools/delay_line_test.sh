#!/usr/bin/env bash
# The delay line bench/wan.sh fetches through carries every byte, in order, and
# records every connection: files fetched through it on connections of their
# own (HTTP/1.0, so the server's close follows the last byte), on one reused
# connection, and on several connections at once arrive byte for byte, and it
# records one line per connection. Nothing here depends on how fast it is.
#   usage: delay_line_test.sh PELLIS_SERVER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
delay_line=$here/../../bench/delay_line.py
server=$1
work=$(mktemp -d /tmp/pellis-delay-line.XXXXXX)
server_pid=
relay_pid=
cleanup() {
  for pid in $server_pid $relay_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "delay_line_test: $*" >&2; exit 1; }

head -c 1048576 /dev/urandom >"$work/a.bin"
head -c 300000 /dev/urandom >"$work/b.bin"
printf 'c\n' >"$work/c.txt"
"$server" --serve "/a.bin=$work/a.bin" --serve "/b.bin=$work/b.bin" --serve "/c.txt=$work/c.txt" \
  --ports-file "$work/ports" --log /dev/null --lifetime 120 >/dev/null 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
[ -s "$work/ports" ] || fail "pellis-server did not start: $(cat "$work/server.err")"
python3 "$delay_line" --to "$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/ports")" --mbit 100 --rtt-ms 10 \
  --port-file "$work/relay-port" --connections "$work/connections" --lifetime 120 &
relay_pid=$!
for _ in $(seq 100); do [ -s "$work/relay-port" ] && break; sleep 0.1; done
[ -s "$work/relay-port" ] || fail "the delay line did not start"
base=http://127.0.0.1:$(cat "$work/relay-port")
fetch() { timeout 60 curl -sS --fail "$@"; }
same() {  # NAME FETCHED
  cmp -s "$work/$1" "$2" || fail "$1 arrived changed"
  rm -f "$2"
}

# Three connections, one after the other.
for name in a.bin b.bin c.txt; do
  fetch --http1.0 -o "$work/got-$name" "$base/$name" || fail "fetching $name failed"
  same "$name" "$work/got-$name"
done
# One connection for three files.
fetch -o "$work/reused-a" -o "$work/reused-b" -o "$work/reused-c" "$base/a.bin" "$base/b.bin" "$base/c.txt" ||
  fail "fetching on one connection failed"
same a.bin "$work/reused-a"
same b.bin "$work/reused-b"
same c.txt "$work/reused-c"
# Three connections at once, their bytes interleaved on the line.
pids=()
for name in a.bin b.bin a.bin; do
  fetch -o "$work/at-once-${#pids[@]}" "$base/$name" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || fail "fetching at once failed"; done
same a.bin "$work/at-once-0"
same b.bin "$work/at-once-1"
same a.bin "$work/at-once-2"

[ "$(cut -d' ' -f1 "$work/connections" | paste -s -d ' ')" = "1 2 3 4 5 6 7" ] ||
  fail "expected 7 connections recorded, found: $(cat "$work/connections")"
echo "delay_line_test: 9 files intact over 7 connections, each recorded"
