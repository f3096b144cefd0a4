# shellcheck shell=bash disable=SC2154,SC2034  # its variables are bench/wan.sh's, and the reverse
# The program's rows of bench/wan.sh (sourced; it provides in_ns, start_link,
# record, elapsed, publish, fail and the paths). pellis_811.exe runs under Wine
# in the namespace, on an Xvfb screen of its own, from a browser's download
# folder of a fresh prefix whose proxy is the row's delay line, and is driven
# through the wizard by pellis_driver as scripts/demo.sh drives it. Per scheme:
# a first installation of generation 1, then a forced update to generation 2,
# which changes every file (forced: it starts without a prompt, after the
# notice to the assistant). Between the two the prefix's processes end, the
# started assistant with them, as when the machine is restarted.

title="Aldmoor银行Pellisor下载器"
program='C:\users\Public\Downloads\pellis_811.exe'
driver='C:\users\Public\Downloads\pellis_driver.exe'
product='HKLM\Software\Quillon\WebUI\KORVA\811'
# Control ids of the dialogs (res/resource.h); message boxes carry 65535.
ok=1 install_folder=1017 status=1020 query_status=1029 message_text=65535
# The fixed pauses the program makes around the assistant, counted in the
# limit: 2 s after stopping it (engine/assistant_control.cpp), 1 s before
# starting it (engine/install_worker.cpp), 0.5 s between the two starts of each
# of its two programs; a forced update first gives it 3 s to react to the
# notice (engine/handover.cpp).
install_pauses=4.0
update_pauses=7.0
xvfb_pid=
bench_prefix=

program_cleanup() {
  if [ -n "$bench_prefix" ]; then WINEPREFIX=$bench_prefix in_ns timeout 30 wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}

drive() { in_ns timeout 90 wine "$driver" "$@" 2>/dev/null; }
installed_version() {
  in_ns timeout 60 wine reg query "$product" /reg:32 2>/dev/null | tr -d '\r' | sed -n 's/^ *Version *REG_SZ *//p'
}
# Run by run, the prefix's proxy is that row's delay line (set while no Wine process runs).
point_proxy() { sed -i "s/\"ProxyServer\"=\"[^\"]*\"/\"ProxyServer\"=\"127.0.0.1:$relay\"/" "$WINEPREFIX/user.reg"; }
# Also waits for the server to save the registry and end, before user.reg is edited again.
end_processes() {
  in_ns timeout 60 wineserver -k >/dev/null 2>&1 || true
  in_ns timeout 60 wineserver -w || fail "the prefix's wineserver did not end"
}

set_key() {  # KEY NAME TEXT
  in_ns timeout 60 wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1 || fail "cannot set up the prefix ($1)"
}
fresh_prefix() {  # NAME
  bench_prefix=$work/prefix-$1
  export WINEPREFIX=$bench_prefix
  cp -a "$windows/wine-template" "$WINEPREFIX"
  # Every window of the prefix on one virtual desktop, where the driver finds the program's.
  set_key 'HKCU\Software\Wine\Explorer' Desktop Default
  set_key 'HKCU\Software\Wine\Explorer\Desktops' Default 800x600
  in_ns timeout 60 wineserver -w
  mkdir -p "$WINEPREFIX/drive_c/users/Public/Downloads"
  cp "$windows/pellis_811.exe" "$windows/tests/pellis_driver.exe" "$WINEPREFIX/drive_c/users/Public/Downloads/"
  # The program looks at the folder it was started from for an older downloader.
  cd "$WINEPREFIX/drive_c/users/Public/Downloads" || fail "no download folder in the prefix"
}

# Timed from the click that starts the installation to the program's end.
install_row() {  # SCHEME [ROW-SUFFIX]
  local row=program-install-$1${2:-} start pid seconds
  start_link "$row" --deploy "$root/deploy/demo" --release "$work/release-install-$1"
  point_proxy
  ip netns exec "$ns" timeout "$row_limit" wine "$program" >/dev/null 2>&1 &
  pid=$!
  drive wait "$title" 60 $ok "!$install_folder" "!$status" "!$query_status" "!$message_text" ||
    fail "the install dialog did not appear ($row)"
  drive click "$title" $ok
  drive wait "$title" 60 $install_folder || fail "the options dialog did not appear ($row)"
  drive click "$title" $ok
  start=$EPOCHREALTIME
  wait "$pid" || fail "pellis_811.exe ended with exit code $? ($row)"
  seconds=$(elapsed "$start")
  record "$row" "$seconds"
  [ "$(installed_version)" = 1.0.0.1 ] || fail "1.0.0.1 is not installed after $row"
  end_processes
}

# Timed from the program's start to its end: nobody clicks in a forced update.
# The prefix's session is up first, as a customer's desktop is when the
# update starts: booting Wine's own services took about a second here.
update_row() {  # SCHEME [ROW-SUFFIX]
  local row=program-update-$1${2:-} start seconds
  start_link "$row" --deploy "$root/deploy/demo" --release "$work/release-update-$1"
  point_proxy
  in_ns timeout 60 wineserver -p
  in_ns timeout 60 wine cmd /c exit >/dev/null 2>&1 || fail "the prefix's session did not start ($row)"
  start=$EPOCHREALTIME
  in_ns timeout "$row_limit" wine "$program" >/dev/null 2>&1 || fail "pellis_811.exe ended with exit code $? ($row)"
  seconds=$(elapsed "$start")
  record "$row" "$seconds"
  [ "$(installed_version)" = 1.0.0.2 ] || fail "1.0.0.2 is not installed after $row"
  end_processes
}

program_rows() {
  local file scheme
  for file in "$windows/pellis_811.exe" "$windows/tests/pellis_driver.exe"; do
    [ -f "$file" ] || fail "$file is missing (scripts/build.sh builds it)"
  done
  . "$root/tests/wine/env.sh"
  in_ns "$root/tests/wine/make-template.sh" "$windows/wine-template" >/dev/null
  python3 "$here/wan_release.py" "$work/files-2" 2 "${programs[@]}"
  ip netns exec "$ns" Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=":$(head -n1 "$work/display")"
  export DISPLAY
  for scheme in http https; do
    [ -d "$work/release-install-$scheme" ] || publish "install-$scheme" 1 0 "$scheme"
    publish "update-$scheme" 2 2 "$scheme"
    fresh_prefix "$scheme"
    install_row "$scheme"
    update_row "$scheme"
    # Again off the link: through a delay line without delay or limit.
    fresh_prefix "$scheme-unshaped"
    link_mbit=100000 link_rtt_ms=0 install_row "$scheme" -unshaped
    link_mbit=100000 link_rtt_ms=0 update_row "$scheme" -unshaped
  done
}
