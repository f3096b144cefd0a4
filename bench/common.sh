# shellcheck shell=bash
# What the benchmark scripts share (sourced): the trees they run and the Wine
# template. PELLIS_BENCH_NATIVE / PELLIS_BENCH_WINDOWS name other build trees.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native=${PELLIS_BENCH_NATIVE:-$root/build/native}
windows=${PELLIS_BENCH_WINDOWS:-$root/build/windows}
export PELLIS_WINE_TEMPLATE=$windows/wine-template
"$root/tests/wine/make-template.sh" "$PELLIS_WINE_TEMPLATE" >/dev/null

# A Unix path as the Windows programs see it (Wine maps / to Z:).
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }

# The megabytes per second of RATE / BASE as a ratio with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# The value of KEY=VALUE in a line of figures.
figure() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2" | tail -n1; }

# SHA-1 of a file in Base64, as manifests list it.
base64_sha1() { openssl dgst -sha1 -binary "$1" | base64; }
