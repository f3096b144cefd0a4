#!/usr/bin/env bash
# Publishes the releases the update-run tests install and serve, made of the
# stand-ins of the assistant's programs and the files in tests/fixtures/update,
# and crafts the faulty files some of them serve instead of the published ones.
#
# usage: make-update-releases.sh NATIVE_BUILD_DIR OUT_DIR STAND_IN_EXE...
#   OUT_DIR/old     1.0.0.1, update 0: what the tests install; also served for repair
#   OUT_DIR/offer   1.0.0.3, update 1: changed Config.ini, Data/a.dat,
#                   Plugins/Edition811.dll and a new Script/added.js
#   OUT_DIR/force   the same files, update 2
#   OUT_DIR/same    1.0.0.3, update 1, with the files of 1.0.0.1
#   OUT_DIR/offer-http  as offer, downloaded over plain HTTP: a server that stalls
#                   or closes is safe there under Wine (tests/e2e/fault_run_test.cpp)
#   OUT_DIR/offer-large  as offer-http, with a 10 MiB Data/large.bin
#   OUT_DIR/old-static, OUT_DIR/offer-static  as old and offer, their download
#                   area on a host of its own over plain HTTP, served by a static
#                   web server (tests/e2e/with-nginx.sh)
#   OUT_DIR/faults  tampered-Digest.xml (one body character changed),
#                   climbing-Digest.xml and its .sig (offer's common manifest
#                   plus an entry with Path "..\..", signed with the demo
#                   keys), evil.txt
#                   (the file that entry names), wrong-added.js
#   OUT_DIR/attack-NAME  what an attacker answering in the bank's place serves
#                   over offer-http's download URL (release.json as the server
#                   answers it, unchecked): rollback (v 9.0.0.0, update 2, over
#                   release 1.0.0.0), freeze-negative (v -1.0.0.0),
#                   freeze-field (a field above 65535), freeze-long (300
#                   characters), mixed (offer-http's common manifest with
#                   old's edition manifest), other-bank (1.0.0.3 signed for bank
#                   0x815), missing-sig (no Digest_811.xml.sig), swapped-sig
#                   (Digest.xml.sig holds the edition manifest's), sha256
#                   (Data/a.dat listed, and signed, with another SHA-256)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=$1
out=$2
shift 2
deploy="$root/deploy/demo"
fixtures="$root/tests/fixtures/update"
url=https://ebank.aldmoor.example/download/811
verify() { "$native/tests/pellis_protocol_cli" verify "$deploy/signing.pub.pem" "$1"; }

rm -rf "$out"
mkdir -p "$out/faults"

for variant in old new; do
  files="$out/assistant-$variant"
  mkdir -p "$files"
  cp "$@" "$files/"
  cp -r "$fixtures/common/." "$fixtures/$variant/." "$files/"
done

publish() {  # NAME FILES VERSION UPDATE [URL]
  "$native/tools/publish/pellis-publish" --deploy "$deploy" --bank 0x811 --version "$3" --update "$4" --url "${5:-$url}" \
    --files "$out/assistant-$2" --edition-list "$fixtures/edition.list" --out "$out/$1" >/dev/null
}
publish old old 1.0.0.1 0
publish offer new 1.0.0.3 1
publish force new 1.0.0.3 2
publish same old 1.0.0.3 1
publish offer-http new 1.0.0.3 1 "${url/#https:/http:}"
# As offer-http with a 10 MiB Data/large.bin of bytes that never repeat, so a
# resumed download spliced at the wrong place fails its digests.
mkdir -p "$out/assistant-large"
cp -r "$out/assistant-new/." "$out/assistant-large/"
head -c 10485760 /dev/zero | openssl enc -aes-128-ctr -nosalt -K 00000000000000000000000000000000 \
  -iv 00000000000000000000000000000000 >"$out/assistant-large/Data/large.bin"
publish offer-large large 1.0.0.3 1 "${url/#https:/http:}"
static_url=http://cdn.aldmoor.example/download/811
publish old-static old 1.0.0.1 0 "$static_url"
publish offer-static new 1.0.0.3 1 "$static_url"

faults="$out/faults"
common="$out/offer/download/Digest.xml"

sed '0,/Config\.ini/s//Config.inI/' "$common" >"$faults/tampered-Digest.xml"
if verify "$faults/tampered-Digest.xml"; then echo "make-update-releases: tampering left the signature valid" >&2; exit 1; fi

printf 'not the published script\n' >"$faults/wrong-added.js"
printf 'written outside the install folder\n' >"$faults/evil.txt"

# Manifests the publisher would never write are edited here and signed again
# the way the download area signs (see tests/fixtures/signed): EDIT is a sed
# script for the manifest's body (its text before the signature trailer).
resign() {  # MANIFEST EDIT OUT
  local text body closing signature marker=$'\r\n<Sign>'
  text=$(cat "$1"; printf x)
  text=${text%x}
  body=$(printf '%s' "${text%%"$marker"*}" | sed "$2"; printf x)
  body=${body%x}
  closing="<${text##*<}"
  signature=$(printf '%s%s' "$body" "$closing" | openssl dgst -sha1 -binary |
    openssl pkeyutl -sign -inkey "$deploy/signing.key.pem" -pkeyopt rsa_padding_mode:pkcs1 | od -An -v -tx1 |
    tr -d ' \n' | tr a-f A-F)
  printf '%s%s%s%s%s' "$body" "$marker" "$signature" $'</Sign>\r\n' "$closing" >"$3"
  verify "$3" || { echo "make-update-releases: the crafted $3 does not verify" >&2; exit 1; }
  openssl pkeyutl -sign -rawin -inkey "$deploy/signing-ed25519.key.pem" -in "$3" | base64 -w0 >"$3.sig"
}

# The publisher refuses an entry that climbs out of the install folder.
entry="    <File Path=\"..\\\\..\" FileName=\"evil.txt\" Digest=\"$(openssl dgst -sha1 -binary "$faults/evil.txt" | base64)\" \/>"
resign "$common" "s|^  </FileInfo>|$entry\r\n&|" "$faults/climbing-Digest.xml"

# --- attacks: each answers through pellis-server --release, the genuine
# offer-http following with --then-release.
http_url=${url/#https:/http:}
attack() {  # NAME V UPDATE FROM
  mkdir -p "$out/attack-$1"
  cp -r "$out/$4/download" "$out/attack-$1/"
  printf '{"bank":"811","v":"%s","update":"%s","url":"%s"}\n' "$2" "$3" "$http_url" >"$out/attack-$1/release.json"
}
publish older old 1.0.0.0 0 "$http_url"
attack rollback 9.0.0.0 2 older
attack freeze-negative -1.0.0.0 2 offer-http
attack freeze-field 1.65536.0.0 2 offer-http
attack freeze-long "$(printf '0%.0s' {1..293})1.0.0.0" 2 offer-http
attack mixed 1.0.0.3 1 offer-http
cp "$out/old/download/Digest_811.xml" "$out/old/download/Digest_811.xml.sig" "$out/attack-mixed/download/"
"$native/tools/publish/pellis-publish" --deploy "$deploy" --bank 0x815 --version 1.0.0.3 --update 1 --url "$http_url" \
  --files "$out/assistant-new" --edition-list "$fixtures/edition.list" --out "$out/bank815" >/dev/null
attack other-bank 1.0.0.3 1 offer-http
cp "$out/bank815/download/Digest.xml" "$out/bank815/download/Digest.xml.sig" "$out/attack-other-bank/download/"
cp "$out/bank815/download/Digest_815.xml" "$out/attack-other-bank/download/Digest_811.xml"
cp "$out/bank815/download/Digest_815.xml.sig" "$out/attack-other-bank/download/Digest_811.xml.sig"
attack missing-sig 1.0.0.3 1 offer-http
rm "$out/attack-missing-sig/download/Digest_811.xml.sig"
attack swapped-sig 1.0.0.3 1 offer-http
cp "$out/attack-swapped-sig/download/Digest_811.xml.sig" "$out/attack-swapped-sig/download/Digest.xml.sig"
attack sha256 1.0.0.3 1 offer-http
other_sha256=$(printf 'another file' | openssl dgst -sha256 -binary | base64)
resign "$out/offer-http/download/Digest.xml" "/FileName=\"a.dat\"/s|SHA256=\"[^\"]*\"|SHA256=\"$other_sha256\"|" \
  "$out/attack-sha256/download/Digest.xml"
