#!/usr/bin/env bash
# A release made with pellis-publish is served by pellis-server, and what the
# server hands out passes the program's own signature check under Wine.
# usage: publish_and_serve.sh NATIVE_BUILD_DIR PROTOCOL_CLI_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=$1
cli=$2
work=$(mktemp -d /tmp/pellis-publish.XXXXXX)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill -TERM "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "publish_and_serve: $*" >&2; exit 1; }

url=https://ebank.aldmoor.example/download/811
"$native/tools/publish/pellis-publish" --deploy "$root/deploy/demo" --bank 0x811 --version 1.0.0.3 --update 1 \
  --url "$url" --files "$root/tests/fixtures/assistant" --edition-list "$root/tests/fixtures/assistant-edition.list" \
  --out "$work/release" || fail "pellis-publish failed"

"$native/tools/server/pellis-server" --deploy "$root/deploy/demo" --release "$work/release" \
  --ports-file "$work/ports" --log "$work/server.log" --lifetime 120 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
[ -s "$work/ports" ] || fail "pellis-server did not start: $(cat "$work/server.err")"
proxy=$(sed -n 's/.*proxy=\([0-9]*\).*/\1/p' "$work/ports")

# Fetched the way the program fetches: through the proxy, from the bank's host.
mkdir -p "$work/fetched"
for name in Digest.xml Digest_811.xml 'Plugins/PlugA.dll' 'Plugins%5CPlugA.dll'; do
  out="$work/fetched/$(basename "${name//%5C//}")"
  curl -sf --max-time 20 -k -x "http://127.0.0.1:$proxy" "$url/$name" -o "$out" || fail "cannot fetch $name"
done
cmp -s "$work/fetched/PlugA.dll" "$root/tests/fixtures/assistant/Plugins/PlugA.dll" || fail "PlugA.dll differs"

for manifest in Digest.xml Digest_811.xml; do
  "$here/../wine/run-in-prefix.sh" "$cli" verify-builtin "Z:$work/fetched/$manifest" ||
    fail "$manifest does not pass the program's check"
done
echo "publish_and_serve: both manifests served and verified"
