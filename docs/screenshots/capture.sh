#!/usr/bin/env bash
# Takes the README's screenshots in this folder with the real program under
# Wine on a virtual desktop, against a pellis-server on loopback:
#   query.png          the version query after the bank did not answer
#   install.png        the welcome of a first installation
#   options.png        its options dialog
#   update-prompt.png  the prompt of an offered update
#   progress.png       the progress dialog of the update it starts
#
# usage: docs/screenshots/capture.sh [NATIVE_BUILD_DIR] [WINDOWS_BUILD_DIR] [OUT_DIR]
#   defaults: build/native, build/windows, docs/screenshots
# The update is held in the middle of its downloads (the server never answers
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
"$root/tests/wine/add-caption-font.sh" "$WINEPREFIX"
timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600 /f >/dev/null 2>&1
# The look of a Chinese Windows at 125 %: Wine has no SimSun, and the only CJK
# font here renders the 11-pixel dialog font of 96 dpi in black and white with
# strokes missing; its bitmap face is crisp from 12 pixels on.
timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d "WenQuanYi Zen Hei Sharp" /f >/dev/null 2>&1
timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${PELLIS_SHOT_DPI:-120}" /f >/dev/null 2>&1
timeout 60 wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "${PELLIS_SHOT_DPI:-120}" /f >/dev/null 2>&1
timeout 60 wineserver -w
mkdir -p "$WINEPREFIX/drive_c/pellis"
cp "$windows/pellis_811.exe" "$windows/tests/pellis_driver.exe" "$WINEPREFIX/drive_c/pellis/"

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

title="Aldmoor银行Pellisor下载器"
# Control ids of the dialogs (res/resource.h); message boxes carry 65535.
ok=1 cancel=2 yes=6 install_folder=1017 status=1020 query_status=1029 message_text=65535
drive() { timeout 90 wine 'C:\pellis\pellis_driver.exe' "$@" 2>/dev/null; }
# Lets the dialog paint, then saves the screen.
shot() {
  sleep "${PELLIS_SHOT_DELAY:-3}"
  import -display "$DISPLAY" -window root "$out/$1"
}
program_pid=
start_program() {
  timeout 200 wine 'C:\pellis\pellis_811.exe' >/dev/null 2>&1 &
  program_pid=$!
}
# Cancel, and Yes to the exit question: the program ends with exit code 0.
leave_wizard() {
  drive click "$title" $cancel
  drive wait "$title" 30 $message_text >/dev/null
  drive click "$title" $yes
  wait "$program_pid" || { echo "capture: the program did not end cleanly" >&2; exit 1; }
}
set_proxy() {
  timeout 30 wineserver -w
  sed -i "s/\"ProxyServer\"=\"[^\"]*\"/\"ProxyServer\"=\"$1\"/" "$WINEPREFIX/user.reg"
}

# A first installation while the prefix's proxy leads nowhere: the bank does
# not answer.
start_program
drive wait "$title" 60 $query_status >/dev/null || { echo "capture: no version query" >&2; exit 1; }
for _ in $(seq 120); do
  [ "$(drive text "$title" $query_status | tr -d '\r')" = 服务器没响应 ] && break
  sleep 0.5
done
shot query.png
leave_wizard

# The same with the bank answering: the welcome and the options.
set_proxy "127.0.0.1:$proxy"
start_program
drive wait "$title" 60 $ok "!$install_folder" "!$status" "!$query_status" "!$message_text" >/dev/null ||
  { echo "capture: no install dialog" >&2; exit 1; }
shot install.png
drive click "$title" $ok
drive wait "$title" 60 $install_folder >/dev/null || { echo "capture: no options dialog" >&2; exit 1; }
shot options.png
leave_wizard

# An older assistant is installed (the 32-bit view, as the program reads it).
product='HKLM\Software\Quillon\WebUI\KORVA\811'
timeout 60 wine reg add "$product" /v Version /t REG_SZ /d 1.0.0.1 /f >/dev/null 2>&1
timeout 60 wine reg add "$product" /v Path /t REG_SZ /d 'C:\Program Files (x86)\Aldmoor\Pellisor' /f >/dev/null 2>&1
installed="$WINEPREFIX/drive_c/Program Files (x86)/Aldmoor/Pellisor"
mkdir -p "$installed"
cp -r "$work/old-release/download/." "$installed/"
start_program
drive wait "$title" 60 $ok "!$status" "!$query_status" "!$message_text" >/dev/null ||
  { echo "capture: no update prompt" >&2; exit 1; }
shot update-prompt.png
drive click "$title" $ok
drive wait "$title" 60 $status >/dev/null || { echo "capture: no progress dialog" >&2; exit 1; }
shot progress.png
echo "capture: $out/query.png $out/install.png $out/options.png $out/update-prompt.png $out/progress.png"
