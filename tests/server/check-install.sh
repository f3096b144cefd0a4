#!/usr/bin/env bash
# The server's install command puts the program, its service unit, its user
# and the example configuration where the README says, into a DESTDIR; the
# unit passes systemd's own checks, its hardening included, where systemd's
# tools exist. Usage: check-install.sh BUILD_DIR
set -euo pipefail

build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
prefix=/usr/local

DESTDIR="$dest" timeout 120 cmake --install "$build" --component server --prefix "$prefix" >/dev/null

fail=0
expect_file() {
  if [ -f "$dest$1" ]; then echo "ok: $1"; else echo "MISSING: $1"; fail=1; fi
}
expect_file "$prefix/bin/pellis-server"
expect_file "$prefix/lib/systemd/system/pellis-server.service"
expect_file "$prefix/lib/sysusers.d/pellis-server.conf"
expect_file "$prefix/share/doc/pellis-server/examples/pellis-server.conf"
[ "$fail" = 0 ] || exit 1

unit="$dest$prefix/lib/systemd/system/pellis-server.service"
grep -qx "ExecStart=$prefix/bin/pellis-server --config /etc/pellis-server/pellis-server.conf" "$unit" ||
  { echo "ExecStart does not name the installed program"; exit 1; }
[[ "$("$dest$prefix/bin/pellis-server" --help)" == *--config* ]]

# The example configuration is one the program reads: it refuses it only for
# the bank folders, which exist on a bank's machine alone.
example="$dest$prefix/share/doc/pellis-server/examples/pellis-server.conf"
set +e
err=$(timeout 20 "$dest$prefix/bin/pellis-server" --config "$example" --lifetime 1 2>&1 >/dev/null)
code=$?
set -e
[ "$code" = 2 ] && [[ "$err" == *"bank aldmoor: "* ]] ||
  { echo "the example configuration is not read as expected (exit $code): $err"; exit 1; }

if ! command -v systemd-analyze >/dev/null || ! command -v systemd-sysusers >/dev/null; then
  echo "SKIPPED: systemd-analyze or systemd-sysusers missing, the unit and user entry are not verified"
  exit 0
fi
# verify checks that the program exists, so it is pointed at the DESTDIR copy.
checked="$dest/pellis-server.service"
sed "s|^ExecStart=$prefix/bin/|ExecStart=$dest$prefix/bin/|" "$unit" >"$checked"
timeout 60 systemd-analyze verify "$checked"
# Exposure 2.0 or less: "OK" in systemd's own rating of the sandbox.
timeout 60 systemd-analyze security --offline=yes --threshold=20 "$checked" >/dev/null ||
  { timeout 60 systemd-analyze security --offline=yes "$checked" | tail -1; exit 1; }
mkdir -p "$dest/root/etc"
users=$(timeout 60 systemd-sysusers --dry-run --root="$dest/root" "$dest$prefix/lib/sysusers.d/pellis-server.conf" 2>&1)
[[ "$users" == *"Creating user 'pellis-server'"* ]] || { echo "the sysusers entry makes no pellis-server user: $users"; exit 1; }
echo "unit and user entry verified"
