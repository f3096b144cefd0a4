#!/usr/bin/env bash
# The runtime packages the trust tests serve, made from one built stand-in:
#   signed.exe    signed with a code-signing certificate made here, whose root
#                 is a throw-away test authority trusted nowhere
#   unsigned.exe  the stand-in as built
#   tampered.exe  signed.exe with one byte of its DOS stub changed afterwards: a
#                 file that still runs, but whose signed digest no longer fits
# usage: make-runtime-packages.sh OUT_DIR STAND_IN_EXE
set -euo pipefail
out=$1 stand_in=$2
work="$out/signing"
rm -rf "$work"
mkdir -p "$work"

openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Pellis Test Root" \
  -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/root.key" -out "$work/root.crt" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Pellis Test Publisher" \
  -keyout "$work/publisher.key" -out "$work/publisher.csr" 2>/dev/null
printf 'basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$work/publisher.ext"
openssl x509 -req -days 3650 -in "$work/publisher.csr" -CA "$work/root.crt" -CAkey "$work/root.key" \
  -set_serial 2 -extfile "$work/publisher.ext" -out "$work/publisher.crt" 2>/dev/null
cat "$work/publisher.crt" "$work/root.crt" >"$work/chain.crt"

rm -f "$out/signed.exe"
osslsigncode sign -certs "$work/chain.crt" -key "$work/publisher.key" -h sha256 -n "Runtime package" \
  -in "$stand_in" -out "$out/signed.exe" >/dev/null
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
