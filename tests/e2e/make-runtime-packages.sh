#!/usr/bin/env bash
# The runtime packages the trust tests serve, made from one built stand-in:
#   signed.exe    signed with a code-signing certificate for "Pellis Test
#                 Publisher" made here (the publisher deploy/demo names), whose
#                 root is a throw-away test authority trusted nowhere
#   other.exe     signed just as validly, under a root of its own, by "Pellis
#                 Other Publisher": a package from a publisher the deployment
#                 does not name
#   unsigned.exe  the stand-in as built
#   tampered.exe  signed.exe with one byte of its DOS stub changed afterwards: a
#                 file that still runs, but whose signed digest no longer fits
# usage: make-runtime-packages.sh OUT_DIR STAND_IN_EXE
set -euo pipefail
out=$1 stand_in=$2
work="$out/signing"
rm -rf "$work"
mkdir -p "$work"

# sign NAME PUBLISHER_CN OUTPUT: a root "NAME Root" and a code-signing
# certificate below it for PUBLISHER_CN, with which the stand-in is signed.
sign() {
  local name=$1 publisher=$2 output=$3 dir="$work/$1"
  mkdir -p "$dir"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$name Root" \
    -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$dir/root.key" -out "$dir/root.crt" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=$publisher" \
    -keyout "$dir/publisher.key" -out "$dir/publisher.csr" 2>/dev/null
  printf 'basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$dir/publisher.ext"
  openssl x509 -req -days 3650 -in "$dir/publisher.csr" -CA "$dir/root.crt" -CAkey "$dir/root.key" \
    -set_serial 2 -extfile "$dir/publisher.ext" -out "$dir/publisher.crt" 2>/dev/null
  cat "$dir/publisher.crt" "$dir/root.crt" >"$dir/chain.crt"
  rm -f "$output"
  osslsigncode sign -certs "$dir/chain.crt" -key "$dir/publisher.key" -h sha256 -n "Runtime package" \
    -in "$stand_in" -out "$output" >/dev/null
}

sign "Pellis Test" "Pellis Test Publisher" "$out/signed.exe"
sign "Pellis Other" "Pellis Other Publisher" "$out/other.exe"
cp "$stand_in" "$out/unsigned.exe"
cp "$out/signed.exe" "$out/tampered.exe"
# Offset 0x4e: the first letter of the DOS stub's "This program cannot be run in DOS mode".
python3 - "$out/tampered.exe" <<'PY'
import sys
with open(sys.argv[1], "r+b") as f:
    f.seek(0x4E)
    byte = f.read(1)[0]
    f.seek(0x4E)
    f.write(bytes([byte ^ 0x20]))
PY
# The keys are not needed beyond this point.
rm -rf "$work"
