#!/usr/bin/env bash
# Envelopes cross between the two compilers: an answer sealed by the native
# build opens in the Windows build under Wine, and a query sealed by the
# Windows build opens natively. Two Wine runs, one each way.
#
# usage: envelope_cross.sh WINDOWS_CLI NATIVE_CLI DEPLOYDIR
# environment: PELLIS_WINE_TEMPLATE (for run-in-prefix.sh)
set -uo pipefail
[ $# -eq 3 ] || { echo "usage: envelope_cross.sh WINDOWS_CLI NATIVE_CLI DEPLOYDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
windows_cli=$1
native_cli=$2
deploy=$3
fail() { echo "envelope_cross: $*" >&2; exit 1; }
[ -x "$native_cli" ] || fail "no native build at $native_cli"

# Wine reaches the Unix root as drive Z:; the Windows build prints CR LF.
windows() { "$here/../wine/run-in-prefix.sh" "$windows_cli" "$1" "Z:$deploy" "$2" | tr -d '\r'; }

query=811
answer='{"v":"2.0.1.7","url":"http://127.0.0.1:8080/assist","update":"1"}'

sealed=$("$native_cli" seal "$deploy" "$answer") || fail "native sealing failed"
opened=$(windows open "$sealed") || fail "the Windows build cannot open the native envelope $sealed"
[ "$opened" = "$answer" ] || fail "the Windows build opened '$opened', sealed was '$answer'"

sealed=$(windows seal "$query") || fail "sealing under Wine failed"
opened=$("$native_cli" open "$deploy" "$sealed") || fail "the native build cannot open the Windows envelope $sealed"
[ "$opened" = "$query" ] || fail "opened natively '$opened', sealed under Wine was '$query'"

echo "envelope_cross: both directions open"
