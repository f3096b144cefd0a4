#!/usr/bin/env bash
# Load on the reference server's version query against what the machine can
# do, side by side in one run: OpenSSL's RSA-1024 private operations per second
# on one core (`openssl speed`: each query costs one), then wrk on loopback,
# on the same machine, against
#   one-thread   one pellis-server answering on one thread
#   all-cores    one pellis-server answering on one thread per core
#   per-query    the same, with a new connection for every query, as the
#                program asks (HTTP/1.0, one query per connection)
#   nginx-pair   two pellis-servers, one thread each, behind nginx as load balancer
# Every request opens the query's envelope and seals a fresh answer, as for
# real clients. Each run prints queries per second, latency p50/p99, non-2xx
# answers, socket errors and the ratio of its rate to the one-core RSA rate
# (record them in docs/PERFORMANCE.md, with the load averages printed).
# Needs wrk and nginx (Debian packages: apt-get install wrk nginx).
#   bench/server_load.sh [SECONDS] [CONNECTIONS]     defaults: 10 s, 32 connections
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
connections=${2:-32}
native=${PELLIS_BENCH_NATIVE:-$root/build/native}
for tool in wrk nginx openssl; do
  command -v "$tool" >/dev/null || { echo "server_load: needs $tool (apt-get install $tool)" >&2; exit 1; }
done
work=$(mktemp -d /tmp/pellis-load.XXXXXX)
running=()
stop_all() {
  for pid in "${running[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${running[@]}"; do wait "$pid" 2>/dev/null || true; done
  running=()
}
trap 'stop_all; rm -rf "$work"' EXIT
# Everything started stops on its own even if this script is killed.
lifetime=$((seconds * 2 + 60))

# Starts a pellis-server with ARGS on free ports; sets `port` to its plain HTTP port.
start_server() {
  local name=$1
  shift
  "$native/tools/server/pellis-server" --deploy "$root/deploy/demo" \
    --release "$root/tests/fixtures/releases/811-current" --ports-file "$work/$name.ports" --log /dev/null \
    --lifetime "$lifetime" "$@" >/dev/null 2>"$work/$name.err" &
  running+=($!)
  for _ in $(seq 100); do [ -s "$work/$name.ports" ] && break; sleep 0.1; done
  [ -s "$work/$name.ports" ] || { echo "server_load: $name did not start: $(cat "$work/$name.err")" >&2; exit 1; }
  port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/$name.ports")
}

# nginx in the foreground, unprivileged, balancing over the given ports with
# kept-alive upstream connections; sets `port` to its own.
start_balancer() {
  local upstreams='' backend
  for backend in "$@"; do upstreams+="server 127.0.0.1:$backend; "; done
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$work/nginx/temp"
  cat >"$work/nginx.conf" <<CONF
daemon off;
worker_processes auto;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx/temp/body;
  proxy_temp_path $work/nginx/temp/proxy;
  fastcgi_temp_path $work/nginx/temp/fastcgi;
  uwsgi_temp_path $work/nginx/temp/uwsgi;
  scgi_temp_path $work/nginx/temp/scgi;
  upstream pellis { $upstreams keepalive 64; }
  server {
    listen 127.0.0.1:$port;
    location / {
      proxy_pass http://pellis;
      proxy_http_version 1.1;
      proxy_set_header Connection "";
    }
  }
}
CONF
  local as_user=()
  if [ "$(id -u)" = 0 ]; then
    chmod 755 "$work"
    chown -R nobody:nogroup "$work/nginx"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  timeout --kill-after=5 "$lifetime" "${as_user[@]}" nginx -p "$work/nginx/" -c "$work/nginx.conf" \
    -e "$work/nginx/error.log" 2>"$work/nginx.err" &
  running+=($!)
  for _ in $(seq 100); do
    curl -s -o /dev/null --max-time 2 "http://127.0.0.1:$port/" && return
    sleep 0.1
  done
  echo "server_load: nginx did not start: $(cat "$work/nginx.err" "$work/nginx/error.log" 2>/dev/null)" >&2
  exit 1
}

# The wrk figures of one run as KEY=VALUE, latencies in milliseconds.
figures() {
  awk -v rsa="$rsa_rate" '
    function ms(text) {
      if (text ~ /us$/) return substr(text, 1, length(text) - 2) / 1000
      if (text ~ /ms$/) return substr(text, 1, length(text) - 2)
      if (text ~ /s$/) return substr(text, 1, length(text) - 1) * 1000
      return text
    }
    $1 == "50%" { p50 = ms($2) }
    $1 == "99%" { p99 = ms($2) }
    /^Requests\/sec:/ { rate = $2 }
    /^  Non-2xx or 3xx responses:/ { non2xx = $5 }
    /^  Socket errors:/ { gsub(",", ""); errors = $4 + $6 + $8 + $10 }
    END {
      printf "queries/s=%.0f p50=%.2fms p99=%.2fms non-2xx=%d socket-errors=%d ratio=%.2f\n",
             rate, p50, p99, non2xx, errors, rate / rsa
    }'
}

# Loads PORT with version queries for SECONDS, with further wrk ARGS; prints
# NAME and its figures.
load() {
  local name=$1 port=$2 out
  shift 2
  out=$(timeout $((seconds + 30)) wrk -t2 -c"$connections" -d"${seconds}s" --latency "$@" \
    "http://127.0.0.1:$port/assist/server?reqtype=1&data=$envelope")
  # A run whose answers are not what a client opens counts for nothing.
  curl -sf --max-time 5 "http://127.0.0.1:$port/assist/server?reqtype=1&data=$envelope" >"$work/answer"
  "$native/tests/pellis_protocol_cli" open "$root/deploy/demo" "$(cat "$work/answer")" | grep -q '"v"' ||
    { echo "server_load: $name answers what does not open" >&2; exit 1; }
  printf '%-11s %s\n' "$name:" "$(figures <<<"$out")"
}

echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
     "$(date -u +%Y-%m-%dT%H:%MZ); wrk 2 threads, $connections connections, ${seconds} s per run"
rsa_rate=$(openssl speed -seconds "$seconds" rsa1024 2>/dev/null | awk '/^rsa 1024 bits/ { print $6 }')
echo "openssl speed rsa1024, one core: $rsa_rate private operations/s"
envelope=$("$native/tests/pellis_protocol_cli" seal "$root/deploy/demo" 811)

start_server one-thread --threads 1
load one-thread "$port"
stop_all
start_server all-cores
load all-cores "$port"
load per-query "$port" -H "Connection: close"
stop_all
start_server pair-a --threads 1
first=$port
start_server pair-b --threads 1
start_balancer "$first" "$port"
load nginx-pair "$port"
stop_all
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
