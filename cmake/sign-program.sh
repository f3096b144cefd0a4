#!/usr/bin/env bash
# Authenticode-signs a built program in place with the deployment's
# code-signing pair: SHA-256 file digest, the product's name as the
# description, a timestamp only when a server is named (build machines are
# usually offline).
#   usage: sign-program.sh PROGRAM KEY_PEM CERT_PEM DESCRIPTION [TIMESTAMP_URL]
set -euo pipefail
program=$1 key=$2 cert=$3 description=$4 timestamp=${5:-}
signed="$program.signing"
trap 'rm -f "$signed"' EXIT
args=(sign -certs "$cert" -key "$key" -h sha256 -n "$description" -in "$program" -out "$signed")
[ -n "$timestamp" ] && args+=(-ts "$timestamp")
osslsigncode "${args[@]}" >/dev/null
mv -f "$signed" "$program"
