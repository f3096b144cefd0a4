#!/usr/bin/env bash
# Gives every file and folder below a download area whose name is not ASCII a
# second name, its GBK form, as a symbolic link. The downloader asks for names
# in its ANSI code page (GBK), while pellis-publish writes them in UTF-8: a
# static web server then finds the GBK form. Safe to run again.
#
# usage: add-gbk-names.sh DOWNLOAD_FOLDER
set -euo pipefail
[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: add-gbk-names.sh DOWNLOAD_FOLDER" >&2; exit 2; }
# Names are matched as bytes: any byte outside printable ASCII.
export LC_ALL=C
find "$1" -mindepth 1 ! -type l -name '*[! -~]*' -print0 | while IFS= read -r -d '' path; do
  name=${path##*/}
  gbk=$(printf '%s' "$name" | iconv -f UTF-8 -t GBK) || { echo "add-gbk-names: no GBK form: $path" >&2; exit 1; }
  ln -sfn "$name" "${path%/*}/$gbk"
done
