#!/usr/bin/env bash
# Dependencies point one way: app -> ui -> engine -> protocol -> system (res,
# the dialog resources, sits with ui). Fails on an include from a folder to a
# higher one, and on an entry of the exceptions file that no longer occurs, so
# the file only ever shrinks.
#   usage: check-include-direction.sh SOURCE_DIR EXCEPTIONS_FILE
# An exception is a line "FILE -> INCLUDED" ('#' starts a comment).
set -euo pipefail
src=${1:?source folder}
exceptions=${2:?exceptions file}
cd "$src"

rank() {
  case $1 in
    app) echo 5 ;; ui | res) echo 4 ;; engine) echo 3 ;; protocol) echo 2 ;; system) echo 1 ;; *) echo 0 ;;
  esac
}

found=$(mktemp)
trap 'rm -f "$found"' EXIT
for file in $(find app ui engine protocol system -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) | sort); do
  from=$(rank "${file%%/*}")
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | while read -r included; do
    to=$(rank "${included%%/*}")
    if [ "$to" -gt "$from" ]; then echo "$file -> $included"; fi
  done
done | sort -u >"$found"

allowed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$exceptions" | sort -u)
new=$(comm -23 "$found" <(echo "$allowed"))
gone=$(comm -13 "$found" <(echo "$allowed"))
status=0
if [ -n "$new" ]; then
  echo "includes against the dependency direction (app -> ui -> engine -> protocol -> system):" >&2
  echo "$new" | sed 's/^/  /' >&2
  status=1
fi
if [ -n "$gone" ]; then
  echo "no longer included; remove from $exceptions:" >&2
  echo "$gone" | sed 's/^/  /' >&2
  status=1
fi
[ $status -eq 0 ] && echo "include direction: $(wc -l <"$found") known exceptions, no new ones"
exit $status
