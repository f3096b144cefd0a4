#!/usr/bin/env bash
# Runs a Windows test program under Wine with a release's download area on
# nginx, a plain static web server: nginx serves a copy of the release's
# download/ folder with docs/nginx-download-area.conf on a free loopback port,
# and pellis-server (with-server.sh) answers the version query and, as the
# prefix's proxy, relays the requests for the download host to nginx.
#
# usage: with-nginx.sh RELEASE SERVER [SERVER-ARGS...] -- [RUN-IN-PREFIX-ARGS...] PROGRAM [ARGS...]
# RELEASE's "url" must be plain HTTP on a host of its own; SERVER gets
# --release RELEASE and --upstream for that host.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
release=$1
server=$2
shift 2
limit=${PELLIS_WINE_TIMEOUT:-300}

url=$(sed -n 's/.*"url":"\([^"]*\)".*/\1/p' "$release/release.json")
case $url in
  http://*/*) ;;
  *) echo "with-nginx: the release's url is not plain HTTP with a path: $url" >&2; exit 2 ;;
esac
address=${url#http://}
host=${address%%/*}
host=${host%%:*}
path=/${address#*/}

work=$(mktemp -d /tmp/pellis-nginx.XXXXXX)
nginx_pid=
cleanup() {
  if [ -n "$nginx_pid" ]; then
    kill -TERM "$nginx_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$nginx_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$nginx_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "with-nginx: $*" >&2; cat "$work/run/error.log" >&2 2>/dev/null; exit 1; }

# The download area as a bank would put it on its web server.
area="$work/www$path"
mkdir -p "$area" "$work/run/temp"
cp -a "$release/download/." "$area/"
"$root/scripts/add-gbk-names.sh" "$area" || fail "cannot add the GBK names"
cp "$root/docs/nginx-download-area.conf" "$work/"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/run/nginx.pid;
error_log $work/run/error.log;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  default_type application/octet-stream;
  access_log $work/run/access.log;
  client_body_temp_path $work/run/temp/body;
  proxy_temp_path $work/run/temp/proxy;
  fastcgi_temp_path $work/run/temp/fastcgi;
  uwsgi_temp_path $work/run/temp/uwsgi;
  scgi_temp_path $work/run/temp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    include $work/nginx-download-area.conf;
  }
}
CONF

# Unprivileged: as root, nginx runs as nobody, and only its run folder is writable.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chmod 755 "$work"
  chown -R nobody:nogroup "$work/run"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
timeout --kill-after=5 "$((limit + 30))" "${as_user[@]}" nginx -p "$work/run/" -c "$work/nginx.conf" \
  -e "$work/run/error.log" 2>>"$work/run/stderr" &
nginx_pid=$!

fetch() { curl -sf -g --max-time 5 "http://127.0.0.1:$port$path/$1" -o "$2"; }
for _ in $(seq 100); do
  fetch Digest.xml /dev/null && break
  kill -0 "$nginx_pid" 2>/dev/null || fail "nginx did not start: $(cat "$work/run/stderr")"
  sleep 0.1
done
fetch Digest.xml /dev/null || fail "nginx does not serve $path/Digest.xml"
# The forms of a file in a folder that a downloader may send.
sample=$(cd "$area" && find . -mindepth 2 -type f -name '[A-Za-z0-9]*' | head -n 1)
sample=${sample#./}
for form in "$sample" "${sample//\//\\}" "${sample//\//%5C}"; do
  fetch "$form" "$work/fetched" && cmp -s "$work/fetched" "$area/$sample" || fail "nginx does not serve $path/$form"
done
# Nothing from outside the root, whichever separator climbs: the config lies
# one level above it.
up=
for _ in $(seq "$(($(printf %s "$path" | tr -cd / | wc -c) + 1))"); do up+='..\'; done
for form in "${up}nginx.conf" "${up//\\/%5C}nginx.conf"; do
  ! fetch "$form" /dev/null || fail "nginx serves $path/$form from outside its root"
done

"$here/with-server.sh" "$server" --release "$release" --upstream "$host=127.0.0.1:$port" "$@"
rc=$?
if [ $rc -ne 0 ]; then
  echo "with-nginx: nginx's access log:" >&2
  cat "$work/run/access.log" >&2
fi
exit $rc
