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
#   OUT_DIR/old-static, OUT_DIR/offer-static  as old and offer, their download
#                   area on a host of its own over plain HTTP, served by a static
#                   web server (tests/e2e/with-nginx.sh)
#   OUT_DIR/faults  tampered-Digest.xml (one body character changed),
#                   climbing-Digest.xml (offer's common manifest plus an entry
#                   with Path "..\..", signed with the demo key), evil.txt
#                   (the file that entry names), wrong-added.js
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
static_url=http://cdn.aldmoor.example/download/811
publish old-static old 1.0.0.1 0 "$static_url"
publish offer-static new 1.0.0.3 1 "$static_url"

faults="$out/faults"
common="$out/offer/download/Digest.xml"

sed '0,/Config\.ini/s//Config.inI/' "$common" >"$faults/tampered-Digest.xml"
if verify "$faults/tampered-Digest.xml"; then echo "make-update-releases: tampering left the signature valid" >&2; exit 1; fi

printf 'not the published script\n' >"$faults/wrong-added.js"
printf 'written outside the install folder\n' >"$faults/evil.txt"

# The publisher refuses such an entry, so it is added here and the manifest
# signed again the way the download area signs (see tests/fixtures/signed).
text=$(cat "$common"; printf x)
text=${text%x}
marker=$'\r\n<Sign>'
body=${text%%"$marker"*}
closing="<${text##*<}"
entry="    <File Path=\"..\\..\" FileName=\"evil.txt\" Digest=\"$(openssl dgst -sha1 -binary "$faults/evil.txt" | base64)\" />"
end_of_list='  </FileInfo>'
body="${body%"$end_of_list"}$entry"$'\r\n'"$end_of_list"
signature=$(printf '%s%s' "$body" "$closing" | openssl dgst -sha1 -binary |
  openssl pkeyutl -sign -inkey "$deploy/signing.key.pem" -pkeyopt rsa_padding_mode:pkcs1 | od -An -v -tx1 |
  tr -d ' \n' | tr a-f A-F)
printf '%s%s%s%s%s' "$body" "$marker" "$signature" $'</Sign>\r\n' "$closing" >"$faults/climbing-Digest.xml"
verify "$faults/climbing-Digest.xml" || { echo "make-update-releases: the crafted manifest does not verify" >&2; exit 1; }
