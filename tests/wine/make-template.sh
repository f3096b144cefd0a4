#!/usr/bin/env bash
# Creates the template Wine prefix that each test copies: 64-bit, code page 936,
# its Windows proxy set to loopback so that no program in it reaches any other
# host.   usage: make-template.sh PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
prefix=$1
[ -f "$prefix/.complete" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix
trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true' EXIT

timeout 240 wineboot -i >/dev/null 2>&1
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
timeout 60 wine reg add "$key" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
timeout 60 wine reg add "$key" /v ProxyServer /t REG_SZ /d "$PELLIS_DEAD_PROXY" /f >/dev/null 2>&1
timeout 60 wineserver -w
grep -q "\"ProxyServer\"=\"$PELLIS_DEAD_PROXY\"" "$prefix/user.reg" || { echo "make-template: proxy not set" >&2; exit 1; }
touch "$prefix/.complete"
echo "make-template: $prefix ready"
