#!/usr/bin/env bash
# The main job: builds what is missing, publishes a release of a stand-in
# assistant, serves it from a bank server on loopback and runs pellis_811.exe
# under Wine the way a bank customer would start it after downloading it.
#
# The first run is a first installation through the wizard; every later run
# publishes a newer version (the state is kept in the output folder) and shows
# the update road: prompt, OK, progress, report.
#
# With a desktop (DISPLAY set, on a terminal) the program opens there for you to
# use. Without one (the default on a server) it runs on a virtual screen, the
# demo clicks through the dialogs itself, takes a screenshot of every dialog it
# passes into the output folder, and ends with a short report.
#   PELLIS_DEMO_OUT       output folder (default demo-output); remove it to
#                         start again from a fresh machine
#   PELLIS_DEMO_HEADLESS  1 to stay headless even with a desktop
#   PELLIS_DEMO_BUILDS    "NATIVE_DIR WINDOWS_DIR": use these built trees instead
#                         of building build/native and build/windows
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup-machine.sh >/dev/null
if [ -n "${PELLIS_DEMO_BUILDS:-}" ]; then
  read -r native windows <<<"$PELLIS_DEMO_BUILDS"
  native=$(cd "$native" && pwd) windows=$(cd "$windows" && pwd)
else
  scripts/build.sh >/dev/null
  native=$root/build/native windows=$root/build/windows
fi
. tests/wine/env.sh
tests/wine/can-run-32bit.sh || { echo "demo: pellis_811.exe is a 32-bit program; run the demo on a machine that can run one" >&2; exit 1; }

out=$(mkdir -p "${PELLIS_DEMO_OUT:-demo-output}" && cd "${PELLIS_DEMO_OUT:-demo-output}" && pwd)
export WINEPREFIX=$out/prefix
title="Aldmoor银行Pellisor下载器"
url=https://ebank.aldmoor.example/download/811
downloads="$WINEPREFIX/drive_c/users/Public/Downloads"
program='C:\users\Public\Downloads\pellis_811.exe'
driver='C:\users\Public\Downloads\pellis_driver.exe'
# Where the stand-ins of the assistant's programs record their starts.
starts_log="$WINEPREFIX/drive_c/pellis-test/assistant-starts.log"
# Control ids of the dialogs (res/resource.h); message boxes carry 65535.
ok=1 cancel=2 install_folder=1017 status=1020 query_status=1029 message_text=65535

server_pid=
xvfb_pid=
program_pid=
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
fail() { echo "demo: $*" >&2; exit 1; }

# --- the machine: a prefix that has never seen the assistant, or the one the
# last run left. The state is written only after a run that went through.
if [ ! -f "$WINEPREFIX/.complete" ]; then
  rm -rf "$WINEPREFIX" "$out"/*.png "$out/state"
  tests/wine/make-template.sh "$windows/wine-template" >/dev/null
  cp -a "$windows/wine-template" "$WINEPREFIX"
  wreg() { timeout 60 wine reg add "$@" /f >/dev/null 2>&1 || fail "cannot set up the prefix ($1)"; }
  # Every window of the prefix on one virtual desktop: frames in screenshots,
  # and the driver sees the program's windows.
  wreg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
  wreg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600
  # The look of a Chinese Windows at 125 %: Wine has no SimSun, and the only CJK
  # font here is crisp from 12 pixels on (as docs/screenshots/capture.sh).
  wreg 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d "WenQuanYi Zen Hei Sharp"
  wreg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120
  wreg 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d 120
  timeout 60 wineserver -w
  mkdir -p "$(dirname "$starts_log")"
  touch "$WINEPREFIX/.complete"
fi
# Real title-bar buttons, also in a prefix an earlier demo left.
tests/wine/add-caption-font.sh "$WINEPREFIX"
mkdir -p "$downloads"
cp "$windows/pellis_811.exe" "$windows/tests/pellis_driver.exe" "$downloads/"

# --- the release: the stand-ins of the assistant's programs, the files in
# demo/assistant, and a Config.ini line naming the version, so every version
# changes something.
last=$(cat "$out/state" 2>/dev/null || echo 0)
run=$((last + 1))
version=1.0.0.$run
if [ "$run" = 1 ]; then road=install update=0; else road=update update=1; fi
work=$out/work
rm -rf "$work"
mkdir -p "$work/files"
cp "$windows/tests/WebUI_811.exe" "$windows/tests/LumaroPop_811.exe" "$windows/tests/LumaroPop.exe" \
  "$windows/tests/uninst_811.exe" "$work/files/"
cp -r demo/assistant/. "$work/files/"
printf 'Version=%s\r\n' "$version" >>"$work/files/Config.ini"
"$native/tools/publish/pellis-publish" --deploy deploy/demo --bank 0x811 --version "$version" --update "$update" \
  --url "$url" --files "$work/files" --edition-list demo/edition.list --out "$work/release" >/dev/null ||
  fail "pellis-publish failed"

# --- the bank's server on loopback; the prefix's proxy leads every host to it.
"$native/tools/server/pellis-server" --deploy deploy/demo --release "$work/release" --lifetime 900 \
  --ports-file "$work/ports" --log "$out/server.log" >/dev/null 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/ports" ] && break; sleep 0.1; done
proxy=$(sed -n 's/.*proxy=\([0-9]*\).*/\1/p' "$work/ports")
[ -n "$proxy" ] || fail "pellis-server did not start: $(cat "$work/server.err")"
sed -i "s/\"ProxyServer\"=\"[^\"]*\"/\"ProxyServer\"=\"127.0.0.1:$proxy\"/" "$WINEPREFIX/user.reg"
: >"$out/server.log"
: >"$starts_log"

# --- the run
shots=()
if [ -n "${DISPLAY:-}" ] && [ -t 0 ] && [ "${PELLIS_DEMO_HEADLESS:-}" != 1 ]; then
  echo "demo: release $version served; starting $program on $DISPLAY ($road); close its windows to end."
  timeout 1800 wine "$program" || true
  driven="by you"
else
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$displayfile")"
  rm -f "$displayfile"

  drive() { timeout 90 wine "$driver" "$@" 2>/dev/null; }
  # Waits for the dialog with these controls, lets it paint, saves the screen.
  capture() {  # NAME CONTROL-CONDITION...
    local name=$1; shift
    drive wait "$title" 60 "$@" || return 1
    sleep "${settle:-1}"
    shots+=("$out/$version-$(printf '%02d' $((${#shots[@]} + 1)))-$name.png")
    import -display "$DISPLAY" -window root "${shots[-1]}"
    # A dialog that closed meanwhile is not in the picture: drop it.
    if ! drive wait "$title" 0 "$@" >/dev/null; then
      rm -f "${shots[-1]}"
      unset 'shots[-1]'
      return 1
    fi
  }
  # The progress dialog's button becomes "下载完成" when the run has gone through.
  wait_finished() {
    for _ in $(seq 240); do
      [ "$(drive text "$title" $cancel | tr -d '\r')" = 下载完成 ] && return 0
      drive wait "$title" 0 $status >/dev/null || return 1
      sleep 0.5
    done
    return 1
  }

  echo "demo: release $version served; starting $program on a virtual screen ($road)"
  timeout 600 wine "$program" >/dev/null 2>&1 &
  program_pid=$!
  if [ "$road" = install ]; then
    # The version query may be over before it can be pictured.
    settle=0 capture query $query_status || true
    capture welcome $ok "!$install_folder" "!$status" "!$query_status" "!$message_text" ||
      fail "the install dialog did not appear"
    drive click "$title" $ok
    capture options $install_folder || fail "the options dialog did not appear"
    folder=$(drive text "$title" $install_folder | tr -d '\r')
    drive click "$title" $ok
  else
    capture prompt $ok "!$status" "!$query_status" "!$message_text" || fail "the update prompt did not appear"
    drive click "$title" $ok
  fi
  capture progress $status || fail "the progress dialog did not appear"
  wait_finished || fail "the run did not finish: $(drive text "$title" $status)"
  capture finished $status || true
  wait "$program_pid" && ended="exit code 0" || ended="exit code $?"
  program_pid=
  [ "$ended" = "exit code 0" ] || fail "pellis_811.exe ended with $ended"
  driven="by the demo (pellis_driver)"
fi

# --- the report, read from the prefix the way Windows tools see it
query() {  # KEY VIEW
  timeout 60 wine reg query "$1" "/reg:$2" 2>/dev/null | iconv -f GB18030 -t UTF-8 | tr -d '\r' | sed -n 's/^ \{4\}/      /p' || true
}
product='HKLM\Software\Quillon\WebUI\KORVA\811'
installed_version=$(query "$product" 32 | sed -n 's/^ *Version *REG_SZ *//p')
install_path=$(query "$product" 32 | sed -n 's/^ *Path *REG_SZ *//p')
[ -n "$installed_version" ] || fail "no product key was written"
unix_install=$(timeout 60 winepath -u "$install_path" 2>/dev/null)
sleep 2   # the assistant's programs record their starts once started
echo "$run" >"$out/state"

uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Aldmoor银行Pellisor'
startup='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
cat <<REPORT

Pellisor demo report ($([ "$road" = install ] && echo "first installation" || echo "update") to $version, driven $driven)
  program        $program (bank 0x811, "$title"), $( [ -n "${ended:-}" ] && echo "$ended")
  server         pellis-server on 127.0.0.1, proxy port $proxy; $(wc -l <"$out/server.log") requests (log: $out/server.log)
  install folder $install_path${folder:+ (proposed by the options dialog: $folder)}
  installed files
$(cd "$unix_install" && find . -type f ! -path './DownLoad/*' -printf '      %P  (%s bytes)\n' | sort)
  registry, 32-bit view
    $product
$(query "$product" 32)
    $uninstall
$(query "$uninstall" 32)
  registry, 64-bit view
    $startup
$(query "$startup" 64 | grep -i 'Pellisor' || echo '      (no start-up entry)')
  shortcuts
$(cd "$WINEPREFIX/drive_c" && find . -name '*.lnk' -newer "$work/ports" -printf '      C:/%P\n' | sort)
  assistant programs started (in order)
$(sort "$starts_log" | cut -d' ' -f2- | tr -d '\r' | sed 's/^/      /')
  screenshots
$(printf '      %s\n' "${shots[@]:-(none: interactive run)}")
  Wine prefix    $WINEPREFIX (kept; its proxy is loopback only)
  next           run scripts/demo.sh again for the update to 1.0.0.$((run + 1))
REPORT
