#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine: the cross
# compiler, 32-bit Wine, Xvfb, the zh_CN locale, fonts, the native libraries and
# a deb-src entry for the dependency sources. Safe to run again: it only does
# what is missing.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

packages=(
  # toolchains
  cmake ninja-build g++ g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 dpkg-dev
  # native libraries (tools and native tests)
  libssl-dev libmbedtls-dev libjsoncpp-dev libtinyxml-dev googletest libgtest-dev libboost-dev
  # pellis-server's metrics in the Prometheus text format
  prometheus-cpp-dev
  # Wine, display, locale, fonts
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick locales fonts-wqy-zenhei fonts-wine
  # tests
  python3 openssl procps file curl
  # a static web server holding a download area (tests/e2e/with-nginx.sh)
  nginx
  # a Windows Installer package of the old generation, built for the tests
  wixl msitools
  # Authenticode signatures of the runtime-package stand-ins, made at build time
  osslsigncode
  # fuzzing (clang with libFuzzer and the sanitizers)
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
has_deb_src() { grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; }
has_locale() { locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; }
if [ ${#missing[@]} -eq 0 ] && has_deb_src && has_locale; then
  echo "setup-machine: ready"
  exit 0
fi
[ "$(id -u)" = 0 ] || { echo "setup-machine: missing ${missing[*]:-deb-src or locale}; run as root to install" >&2; exit 1; }

# A 32-bit program needs the 32-bit Wine loader.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

# deb-src: the same archives the machine already uses for binaries.
src_file=/etc/apt/sources.list.d/pellis-deb-src.sources
if ! has_deb_src; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN{RS=""; ORS="\n\n"} /(^|\n)Types:[^\n]*deb([ \n]|$)/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$tmp"
  done
  [ -f /etc/apt/sources.list ] && sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >>"$tmp.list"
  [ -s "$tmp" ] && install -m 644 "$tmp" "$src_file"
  [ -s "$tmp.list" ] && install -m 644 "$tmp.list" "${src_file%.sources}.list"
  rm -f "$tmp" "$tmp.list"
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-machine: installing ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The tests start nginx themselves, unprivileged on loopback; the system
# service the package enables is not wanted on a build machine.
if [[ " ${missing[*]} " == *" nginx "* ]] && [ -d /run/systemd/system ]; then
  systemctl disable --now nginx >/dev/null 2>&1 || true
fi

# The ANSI code page of the programs under test is 936, which Wine takes from this locale.
if ! has_locale; then
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi
echo "setup-machine: ready"
