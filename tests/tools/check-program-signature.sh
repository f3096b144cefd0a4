#!/usr/bin/env bash
# The built program carries an Authenticode signature by the deployment's
# code-signing certificate, and a copy with one byte changed fails the check.
#   usage: check-program-signature.sh PROGRAM CERT_PEM
set -euo pipefail
program=$1 cert=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

verify() { timeout 60 osslsigncode verify -in "$1" -CAfile "$cert" >"$work/verify.log" 2>&1; }

verify "$program" || { cat "$work/verify.log" >&2; echo "FAIL: $program does not verify" >&2; exit 1; }
grep -q "Message digest algorithm *: SHA256" "$work/verify.log" ||
  { cat "$work/verify.log" >&2; echo "FAIL: the signature's digest is not SHA-256" >&2; exit 1; }
grep -q "Signature verification: ok" "$work/verify.log" ||
  { cat "$work/verify.log" >&2; echo "FAIL: no verified signature" >&2; exit 1; }

# One byte in the middle of the file, well inside the code and away from the
# signature, which sits at the end.
cp "$program" "$work/tampered.exe"
size=$(stat -c %s "$program")
offset=$((size / 3))
byte=$(od -An -tu1 -j "$offset" -N1 "$program" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$work/tampered.exe" bs=1 seek="$offset" conv=notrunc status=none
if verify "$work/tampered.exe"; then
  echo "FAIL: a program with byte $offset changed still verifies" >&2
  exit 1
fi
echo "program signature: ok; one changed byte fails"
