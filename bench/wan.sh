#!/usr/bin/env bash
# Downloads over a slow, distant link: a release the size of a real assistant's
# (bench/wan_release.py: 300 files, 40 MB) over 20 Mbit/s with a 50 ms round
# trip, fetched by curl in the ways a client can fetch it and by the program
# (a first installation, and an update that changes every file, over http and
# https), side by side against the link's limit. Prints the link's calibration,
# then a markdown table (record it in docs/PERFORMANCE.md).
#   bench/wan.sh
#
# Everything runs in a network namespace of its own, so no byte leaves it:
# pellis-server, the delay line in front of its proxy port (bench/delay_line.py;
# this kernel has no netem), curl, Xvfb and Wine. Every client goes through
# the delay line as its proxy. Each row gets a fresh server and delay line, and
# counts its requests and tunnels from the server's log and its connections
# from the delay line's. Needs root (for the namespace), ip (iproute2), python3
# and curl (Debian packages), and both build trees (scripts/build.sh). The
# program's rows need a machine that runs 32-bit programs
# (tests/wine/can-run-32bit.sh); elsewhere they are reported as not run.
# PELLIS_BENCH_NATIVE / PELLIS_BENCH_WINDOWS name other build trees.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
native=${PELLIS_BENCH_NATIVE:-$root/build/native}
windows=${PELLIS_BENCH_WINDOWS:-$root/build/windows}
fail() { echo "wan: $*" >&2; exit 1; }
# shellcheck source=bench/wan_program.sh
. "$here/wan_program.sh"

[ "$(id -u)" = 0 ] || fail "needs root, for a network namespace of its own"
for tool in ip python3 curl; do
  command -v "$tool" >/dev/null || fail "needs $tool (apt-get install iproute2 python3 curl)"
done
server=$native/tools/server/pellis-server
publisher=$native/tools/publish/pellis-publish
programs=("$windows"/tests/{WebUI_811,LumaroPop_811,LumaroPop,uninst_811}.exe)
for file in "$server" "$publisher" "${programs[@]}"; do
  [ -f "$file" ] || fail "$file is missing (scripts/build.sh builds it)"
done

# The link, and what each row may take at most.
mbit=20
rtt_ms=50
row_limit=900
host=ebank.aldmoor.example
area=/download/811

ns=pellis-wan-$$
work=$(mktemp -d /tmp/pellis-wan.XXXXXX)
server_pid=
relay_pid=
cleanup() {
  stop_link
  program_cleanup
  ip netns del "$ns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$ns"
ip -n "$ns" link set lo up
in_ns() { ip netns exec "$ns" "$@"; }

# --- the link: a fresh pellis-server and a delay line in front of its proxy
# port for each row; $relay is the port every client uses as its proxy.
start_link() {  # ROW SERVER-ARGS...
  local row=$1; shift
  rm -f "$work/ports" "$work/relay-port"
  # Started by ip itself, not through in_ns: $! must be the process to stop.
  ip netns exec "$ns" "$server" --ports-file "$work/ports" --log "$work/$row.log" --lifetime $((row_limit + 60)) "$@" \
    >/dev/null 2>"$work/server.err" &
  server_pid=$!
  for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
  [ -s "$work/ports" ] || fail "pellis-server did not start: $(cat "$work/server.err")"
  ip netns exec "$ns" python3 "$here/delay_line.py" --to "$(sed -n 's/.*proxy=\([0-9]*\).*/\1/p' "$work/ports")" \
    --mbit "${link_mbit:-$mbit}" --rtt-ms "${link_rtt_ms:-$rtt_ms}" --port-file "$work/relay-port" --connections "$work/$row.connections" \
    --lifetime $((row_limit + 60)) &
  relay_pid=$!
  for _ in $(seq 100); do [ -s "$work/relay-port" ] && break; sleep 0.1; done
  [ -s "$work/relay-port" ] || fail "the delay line did not start"
  relay=$(cat "$work/relay-port")
}
stop_link() {
  local pid
  for pid in $server_pid $relay_pid; do
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  server_pid='' relay_pid=''
}

# --- the table
declare -A times counts
# Seconds for BYTES at the link's rate, plus one round trip and PAUSE seconds.
limit_of() { awk -v b="$1" -v m="$mbit" -v r="$rtt_ms" -v p="${2:-0}" 'BEGIN { printf "%.1f", b * 8 / (m * 1e6) + r / 1000 + p }'; }
# Stops the row's link and records its counts: requests and tunnels from the
# server's log, connections from the delay line's, megabytes the server sent.
record() {  # ROW SECONDS
  stop_link
  times[$1]=$(printf '%.1f' "$2")
  echo "wan: $1 took ${times[$1]} s" >&2
  counts[$1]=$(printf '%s | %s | %s | %s' \
    "$(grep -c '"method":"GET"' "$work/$1.log" || true)" \
    "$(grep -c '"method":"CONNECT"' "$work/$1.log" || true)" \
    "$(wc -l <"$work/$1.connections")" \
    "$(grep -o '"bytes":[0-9]*' "$work/$1.log" | awk -F: '{ s += $2 } END { printf "%.1f", s / 1e6 }')")
}
elapsed() { awk -v s="$1" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.3f", e - s }'; }

echo "wan: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), load average$(uptime | sed 's/.*load average://')"
echo "wan: link $mbit Mbit/s shared by both directions, $rtt_ms ms round trip (bench/delay_line.py in network namespace $ns)"

# --- calibration: a tiny file twice on one connection (the first answer pays
# for the connection, the second is one round trip), the same over https
# (a CONNECT and a TLS handshake before it), and an 8 MiB file.
printf 'calibration\n' >"$work/tiny.txt"
head -c $((8 * 1024 * 1024)) /dev/urandom >"$work/large.bin"
start_link calibration --serve "/tiny.txt=$work/tiny.txt" --serve "/large.bin=$work/large.bin"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for _ in 1 2 3 4 5; do
  in_ns timeout 60 curl -sS --fail -x "http://127.0.0.1:$relay" -w '%{time_starttransfer}\n' \
    -o /dev/null -o /dev/null "http://$host/tiny.txt" "http://$host/tiny.txt" | paste -s -d ' '
done >"$work/tiny-times"
first=$(awk '{ print $1 * 1000 }' "$work/tiny-times" | median)
again=$(awk '{ print $2 * 1000 }' "$work/tiny-times" | median)
tls=$(for _ in 1 2 3 4 5; do
  in_ns timeout 60 curl -sS --fail -k -x "http://127.0.0.1:$relay" -w '%{time_appconnect}\n' -o /dev/null \
    "https://$host/tiny.txt" | awk '{ print $1 * 1000 }'
done | median)
read -r large_total large_first < <(in_ns timeout 120 curl -sS --fail -x "http://127.0.0.1:$relay" \
  -w '%{time_total} %{time_starttransfer}\n' -o "$work/large.got" "http://$host/large.bin")
cmp -s "$work/large.got" "$work/large.bin" || fail "the delay line changed the calibration file"
stop_link
awk -v f="$first" -v a="$again" -v t="$tls" -v total="$large_total" -v start="$large_first" -v b=$((8 * 1024 * 1024)) 'BEGIN {
  printf "calibration (medians of 5): a new connection'"'"'s first answer %.1f ms, the next on it %.1f ms: connecting costs %.1f ms, a request %.1f ms\n", f, a, f - a, a
  printf "calibration (median of 5): over https, the connection, its CONNECT and the TLS handshake %.1f ms before the request\n", t
  printf "calibration: 8 MiB in %.2f s, %.1f Mbit/s of content (from its first byte %.1f Mbit/s; the line carries IP and TCP headers too)\n", total, b * 8 / total / 1e6, b * 8 / (total - start) / 1e6
}'

# --- the release, and the file lists curl fetches it by
python3 "$here/wan_release.py" "$work/files-1" 1 "${programs[@]}"
publish() {  # NAME GENERATION UPDATE-MODE SCHEME
  "$publisher" --deploy "$root/deploy/demo" --bank 0x811 --version "1.0.0.$2" --update "$3" \
    --url "$4://$host$area" --files "$work/files-$2" --edition-list "$root/demo/edition.list" \
    --out "$work/release-$1" >/dev/null || fail "pellis-publish failed"
}
publish install-http 1 0 http
(cd "$work/files-1" && find . -type f -printf '%P\n' | sort) >"$work/names"
files=$(wc -l <"$work/names")
bytes=$(cd "$work/files-1" && find . -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
echo "release: $files files, $bytes bytes; the link's limit $(limit_of "$bytes") s (bytes at $mbit Mbit/s and one round trip)"
list() {  # SCHEME FORMAT: a line per file, FORMAT given the output path and the URL
  local name
  # shellcheck disable=SC2059  # the format is the caller's
  while read -r name; do printf "$2" "$work/fetched/$name" "$1://$host$area/$name"; done <"$work/names"
}
list http 'output = "%s"\nurl = "%s"\n' >"$work/http.config"
list http '%s\n%s\n' >"$work/http.pairs"
list https '%s\n%s\n' >"$work/https.pairs"
check_fetched() {  # every file arrived whole
  (cd "$work/files-1" && xargs -d '\n' -a "$work/names" sha1sum --) >"$work/sums"
  (cd "$work/fetched" && sha1sum --quiet -c "$work/sums") || fail "curl fetched other bytes in row $1"
  rm -rf "$work/fetched"
}

# --- curl's rows
curl_row() {  # ROW
  local row=$1 start fetch
  start_link "$row" --deploy "$root/deploy/demo" --release "$work/release-install-http"
  # -s alone leaves curl's meter of parallel transfers on.
  fetch=(curl -sS --no-progress-meter --fail --create-dirs -x "http://127.0.0.1:$relay")
  start=$EPOCHREALTIME
  case $row in
    curl-parallel) in_ns timeout "$row_limit" "${fetch[@]}" --parallel --parallel-max 4 -K "$work/http.config" ;;
    curl-reused) in_ns timeout "$row_limit" "${fetch[@]}" -K "$work/http.config" ;;
    # A curl of its own for each file: a connection, and over https a tunnel and handshake, each.
    curl-each-http) in_ns timeout "$row_limit" xargs -d '\n' -n 2 "${fetch[@]}" -o <"$work/http.pairs" ;;
    curl-each-https) in_ns timeout "$row_limit" xargs -d '\n' -n 2 "${fetch[@]}" -k -o <"$work/https.pairs" ;;
  esac || fail "curl failed in row $row"
  record "$row" "$(elapsed "$start")"
  check_fetched "$row"
}
for row in curl-parallel curl-reused curl-each-http curl-each-https; do curl_row "$row"; done

# --- the program's rows
if "$root/tests/wine/can-run-32bit.sh" 2>"$work/32bit.err"; then
  program_rows
else
  echo "wan: the program's rows do not run here: $(cat "$work/32bit.err")"
fi

# --- the table
echo "load average at the end$(uptime | sed 's/.*load average://')"
echo
echo "| run | time | link's limit | ratio | requests | tunnels | connections | MB sent |"
echo "|---|---|---|---|---|---|---|---|"
row_line() {  # ROW TEXT PAUSES
  local limit
  limit=$(limit_of "$bytes" "$3")
  if [ -n "${times[$1]:-}" ]; then
    echo "| $2 | ${times[$1]} s | $limit s | $(awk -v t="${times[$1]}" -v l="$limit" 'BEGIN { printf "%.2f", t / l }')× | ${counts[$1]} |"
  else
    echo "| $2 | not run: this machine cannot run 32-bit programs | $limit s | | | | | |"
  fi
}
row_line curl-parallel "curl, 4 parallel connections" 0
row_line curl-reused "curl, one reused connection" 0
row_line curl-each-http "curl, one connection per file (http)" 0
row_line curl-each-https "curl, one connection per file (https through the proxy)" 0
row_line program-install-http "program, first installation (http)" "$install_pauses"
row_line program-install-https "program, first installation (https)" "$install_pauses"
row_line program-update-http "program, update where all $files files changed (http)" "$update_pauses"
row_line program-update-https "program, update where all $files files changed (https)" "$update_pauses"

# The program's own time, off the link: the same runs through a delay line
# that neither delays nor limits. What a run takes beyond it is what the link
# cost the program, set against the bytes at the link's rate and one round
# trip (the pauses are in both and drop out).
echo
echo "| run | time off the link | time on the link | bytes' limit | ratio |"
echo "|---|---|---|---|---|"
link_line() {  # ROW TEXT
  local limit
  limit=$(limit_of "$bytes")
  if [ -n "${times[$1]:-}" ] && [ -n "${times[$1-unshaped]:-}" ]; then
    awk -v t="${times[$1]}" -v u="${times[$1-unshaped]}" -v l="$limit" -v n="$2" \
      'BEGIN { printf "| %s | %.1f s | %.1f s | %s s | %.2f× |\n", n, u, t - u, l, (t - u) / l }'
  else
    echo "| $2 | not run | | $limit s | |"
  fi
}
link_line program-install-http "program, first installation (http)"
link_line program-install-https "program, first installation (https)"
link_line program-update-http "program, update (http)"
link_line program-update-https "program, update (https)"
