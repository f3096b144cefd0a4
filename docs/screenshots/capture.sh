#!/usr/bin/env bash
# Takes the screenshots of the update road in this folder: the update prompt
# (update-prompt.png) and the progress dialog of the update it starts
# (progress.png), with the real program under Wine on a virtual desktop,
# against a pellis-server that offers an update.
#
# usage: docs/screenshots/capture.sh [NATIVE_BUILD_DIR] [WINDOWS_BUILD_DIR] [OUT_DIR]
#   defaults: build/native, build/windows, docs/screenshots
# The run is held in the middle of its downloads (the server never answers
# one file), so the bars show progress when the picture is taken.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
windows=$(cd "${2:-$root/build/windows}" && pwd)
out=$(mkdir -p "${3:-$root/docs/screenshots}" && cd "${3:-$root/docs/screenshots}" && pwd)
. "$root/tests/wine/env.sh"

work=$(mktemp -d /tmp/pellis-shots.XXXXXX)
server_pid=
xvfb_pid=
cleanup() {
  WINEPREFIX=$work/prefix timeout 30 wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A release offering an update over plain HTTP; one file never arrives.
url=http://ebank.aldmoor.example/download/811
"$native/tools/publish/pellis-publish" --deploy "$root/deploy/demo" --bank 0x811 --version 1.0.0.3 --update 1 \
  --url "$url" --files "$root/tests/fixtures/assistant" --edition-list "$root/tests/fixtures/assistant-edition.list" \
  --out "$work/release" >/dev/null
# The installed generation: the same files a little older, with its manifests.
cp -r "$root/tests/fixtures/assistant" "$work/installed"
find "$work/installed" -type f -exec sh -c 'echo old >>"$1"' _ {} \;
"$native/tools/publish/pellis-publish" --deploy "$root/deploy/demo" --bank 0x811 --version 1.0.0.1 --update 0 \
  --url "$url" --files "$work/installed" --edition-list "$root/tests/fixtures/assistant-edition.list" \
  --out "$work/old-release" >/dev/null
"$native/tools/server/pellis-server" --deploy "$root/deploy/demo" --release "$work/release" \
  --fault /download/811/Plugins/PlugA.dll=hang \
  --ports-file "$work/ports" --lifetime 300 >/dev/null 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
proxy=$(sed -n 's/.*proxy=\([0-9]*\).*/\1/p' "$work/ports")
[ -n "$proxy" ] || { echo "capture: pellis-server did not start" >&2; exit 1; }

export WINEPREFIX=$work/prefix
"$root/tests/wine/make-template.sh" "$windows/wine-template" >/dev/null
cp -a "$windows/wine-template" "$WINEPREFIX"
sed -i "s/\"ProxyServer\"=\"$PELLIS_DEAD_PROXY\"/\"ProxyServer\"=\"127.0.0.1:$proxy\"/" "$WINEPREFIX/user.reg"
timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600 /f >/dev/null 2>&1
# The look of a Chinese Windows at 125 %: Wine has no SimSun, and the only CJK
# font here renders the 11-pixel dialog font of 96 dpi in black and white with
# strokes missing; its bitmap face is crisp from 12 pixels on.
timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d "WenQuanYi Zen Hei Sharp" /f >/dev/null 2>&1
timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${PELLIS_SHOT_DPI:-120}" /f >/dev/null 2>&1
timeout 60 wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "${PELLIS_SHOT_DPI:-120}" /f >/dev/null 2>&1
# An older assistant is installed (the 32-bit view, as the program reads it).
product='HKLM\Software\Quillon\WebUI\KORVA\811'
timeout 60 wine reg add "$product" /v Version /t REG_SZ /d 1.0.0.1 /f >/dev/null 2>&1
timeout 60 wine reg add "$product" /v Path /t REG_SZ /d 'C:\Program Files (x86)\Aldmoor\Pellisor' /f >/dev/null 2>&1
timeout 60 wineserver -w
installed="$WINEPREFIX/drive_c/Program Files (x86)/Aldmoor/Pellisor"
mkdir -p "$installed"
cp -r "$work/old-release/download/." "$installed/"
mkdir -p "$WINEPREFIX/drive_c/pellis"
cp "$windows/pellis_811.exe" "$windows/tests/pellis_driver.exe" "$windows/tests/click_button.exe" \
  "$WINEPREFIX/drive_c/pellis/"

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

title="Aldmoor银行Pellisor下载器"
timeout 200 wine 'C:\pellis\pellis_811.exe' >/dev/null 2>&1 &
timeout 90 wine 'C:\pellis\pellis_driver.exe' wait-window "$title" 60
sleep 2
import -display "$DISPLAY" -window root "$out/update-prompt.png"

timeout 30 wine 'C:\pellis\click_button.exe' "$title" 1
sleep "${PELLIS_SHOT_DELAY:-3}"
import -display "$DISPLAY" -window root "$out/progress.png"
echo "capture: $out/update-prompt.png $out/progress.png"
