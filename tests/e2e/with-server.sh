#!/usr/bin/env bash
# Runs a Windows test program under Wine against a pellis-server of its own:
# starts the server on free loopback ports with the given arguments, points the
# prefix's proxy at it, runs the program, stops the server.
#
# usage: with-server.sh SERVER [SERVER-ARGS...] -- [RUN-IN-PREFIX-ARGS...] PROGRAM [ARGS...]
# The program finds the server's request log (one JSON line per request) at the
# Windows path in PELLIS_SERVER_LOG.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
server=$1; shift
server_args=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do server_args+=("$1"); shift; done
[ "${1:-}" = -- ] || { echo "usage: with-server.sh SERVER [ARGS...] -- PROGRAM [ARGS...]" >&2; exit 2; }
shift

work=$(mktemp -d /tmp/pellis-server.XXXXXX)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill -TERM "$server_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$server_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$server" --ports-file "$work/ports" --log "$work/server.log" --lifetime "${PELLIS_WINE_TIMEOUT:-300}" \
  "${server_args[@]}" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
if [ ! -s "$work/ports" ]; then
  echo "with-server: pellis-server did not start:" >&2
  cat "$work/server.err" >&2
  exit 1
fi
proxy_port=$(sed -n 's/.*proxy=\([0-9]*\).*/\1/p' "$work/ports")

# Wine maps the Unix root to drive Z:.
export PELLIS_SERVER_LOG="Z:${work//\//\\}\\server.log"
"$here/../wine/run-in-prefix.sh" --proxy-port "$proxy_port" "$@"
rc=$?
if [ $rc -ne 0 ]; then
  echo "with-server: requests the server saw:" >&2
  cat "$work/server.log" >&2
fi
exit $rc
