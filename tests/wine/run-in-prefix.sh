#!/usr/bin/env bash
# Runs a Windows program under Wine in a fresh copy of the template prefix, on a
# display of its own, with a time limit; the prefix and display are removed
# afterwards and the program's exit code is returned.
#
# usage: run-in-prefix.sh [--install FILE]... [--proxy-port PORT] [--windows-version V] [--drive L:=TYPE]...
#                         PROGRAM [ARGS...]
#   --install FILE        copy FILE into C:\pellis-test\ before the run
#   --drive L:=TYPE       drive L: on an empty folder of the prefix, of the type Wine
#                         is told under HKLM\Software\Wine\Drives ("cdrom",
#                         "floppy" for a removable drive, ...)
#   --proxy-port PORT     route the prefix's traffic to 127.0.0.1:PORT
#   --windows-version V   the Windows version Wine reports ("vista", "win7", ...)
# environment: PELLIS_WINE_TEMPLATE (required), PELLIS_WINE_TIMEOUT (seconds, default 300),
#   PELLIS_KEEP_PREFIX=1 keeps the prefix for inspection.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
template=${PELLIS_WINE_TEMPLATE:?PELLIS_WINE_TEMPLATE must name the template prefix}
limit=${PELLIS_WINE_TIMEOUT:-300}

installs=()
proxy_port=
windows_version=
drives=()
while [ $# -gt 0 ]; do
  case $1 in
    --install) installs+=("$2"); shift 2 ;;
    --proxy-port) proxy_port=$2; shift 2 ;;
    --windows-version) windows_version=$2; shift 2 ;;
    --drive) drives+=("$2"); shift 2 ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: run-in-prefix.sh [--install FILE]... [--proxy-port PORT] [--windows-version V] [--drive L:=TYPE]... PROGRAM [ARGS...]" >&2; exit 2; }

prefix=$(mktemp -d /tmp/pellis-prefix.XXXXXX)
xvfb_pid=
cleanup() {
  WINEPREFIX=$prefix timeout 30 wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ "${PELLIS_KEEP_PREFIX:-}" = 1 ]; then echo "run-in-prefix: kept $prefix" >&2; else rm -rf "$prefix"; fi
}
trap cleanup EXIT

cp -a "$template/." "$prefix/"
export WINEPREFIX=$prefix
if [ -n "$proxy_port" ]; then
  sed -i "s/\"ProxyServer\"=\"$PELLIS_DEAD_PROXY\"/\"ProxyServer\"=\"127.0.0.1:$proxy_port\"/" "$prefix/user.reg"
fi
mkdir -p "$prefix/drive_c/pellis-test"
# Wine's mount manager reads the drive types once, when the prefix starts.
if [ ${#drives[@]} -gt 0 ]; then
  printf '\n[Software\\\\Wine\\\\Drives]\n' >>"$prefix/system.reg"
  for drive in "${drives[@]}"; do
    letter=${drive%%=*}
    mkdir -p "$prefix/media/${letter%:}"
    ln -s "$prefix/media/${letter%:}" "$prefix/dosdevices/$letter"
    printf '"%s"="%s"\n' "$letter" "${drive#*=}" >>"$prefix/system.reg"
  done
fi
for f in "${installs[@]}"; do cp "$f" "$prefix/drive_c/pellis-test/"; done

# A display of our own: Xvfb picks a free number and writes it to fd 3.
displayfile="$prefix/.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
[ -s "$displayfile" ] || { echo "run-in-prefix: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$displayfile")"

# Set before the program starts: Wine reads the version once per process.
if [ -n "$windows_version" ]; then
  timeout 60 wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$windows_version" /f >/dev/null 2>&1 ||
    { echo "run-in-prefix: cannot set the Windows version" >&2; exit 1; }
fi

# A GoogleTest program also writes its verdict to a report (other programs
# ignore the variable): Wine's loader sometimes crashes while a process that
# used TLS shuts down, after the program itself has finished.
report="$prefix/drive_c/pellis-test-report.xml"
export GTEST_OUTPUT='xml:C:\pellis-test-report.xml'
timeout --kill-after=10 "$limit" wine "$@"
rc=$?
[ $rc -eq 124 ] && echo "run-in-prefix: $1 killed after ${limit}s" >&2
if [ $rc -eq 139 ] && [ -s "$report" ] &&
   grep -qE '<testsuites tests="[1-9][0-9]*" failures="0" disabled="[0-9]+" errors="0"' "$report"; then
  echo "run-in-prefix: Wine crashed while $1 exited; its report shows every test passed" >&2
  rc=0
fi
exit $rc
