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
runs_32bit() { "$(dirname "$0")/../tests/wine/can-run-32bit.sh" 2>/dev/null; }
if [ ${#missing[@]} -eq 0 ] && has_deb_src && has_locale && runs_32bit; then
  echo "setup-machine: ready"
  exit 0
fi
[ "$(id -u)" = 0 ] || { echo "setup-machine: missing ${missing[*]:-deb-src, locale or 32-bit emulation}; run as root to install" >&2; exit 1; }

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

# Some virtual machines boot their kernel with 32-bit emulation switched off:
# the kernel refuses i386 executables and the 32-bit code segment faults, so
# Wine cannot start the 32-bit program at all. There the i386 side of Wine runs
# under QEMU's user-mode emulation, registered through binfmt_misc. Bookworm's
# QEMU 7.2 needs about 50 s of CPU to start one 32-bit Wine process (its page
# tracking walks Wine's large address-space reservations page by page); the
# backports' QEMU 10 starts it in about one second, so that one is used.
enable_i386_emulation() {
  local codename qemu_version conf=/usr/share/qemu/binfmt.d/qemu-i386.conf
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
  if [ -z "$qemu_version" ] || dpkg --compare-versions "$qemu_version" lt 1:9 || [ ! -f "$conf" ]; then
    [ -n "$codename" ] || { echo "setup-machine: no release codename for the backports archive" >&2; return 1; }
    local bp_file=/etc/apt/sources.list.d/pellis-backports.sources
    if [ ! -f "$bp_file" ] && [ ! -f "${bp_file%.sources}.list" ]; then
      # The same archives the machine already uses, suite <codename>-backports.
      local tmp
      tmp=$(mktemp)
      for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v want="$codename" 'BEGIN{RS=""; ORS="\n\n"}
          /(^|\n)Types:[^\n]*deb([ \n]|$)/ {
            n = split($0, lines, "\n"); found = 0
            for (i = 1; i <= n; i++) if (lines[i] ~ /^Suites:/) {
              m = split(substr(lines[i], 8), suites, " ")
              for (j = 1; j <= m; j++) if (suites[j] == want) found = 1
            }
            if (!found) next
            sub(/Types:[^\n]*/, "Types: deb"); sub(/Suites:[^\n]*/, "Suites: " want "-backports"); print
          }' "$f" >>"$tmp"
      done
      [ -f /etc/apt/sources.list ] && awk -v want="$codename" '$1 == "deb" && $3 == want { $3 = want "-backports"; print }' \
        /etc/apt/sources.list >>"$tmp.list"
      [ -s "$tmp" ] && install -m 644 "$tmp" "$bp_file"
      [ -s "$tmp.list" ] && install -m 644 "$tmp.list" "${bp_file%.sources}.list"
      rm -f "$tmp" "$tmp.list"
    fi
    apt-get update -qq
    echo "setup-machine: installing qemu-user from $codename-backports (i386 emulation)"
    apt-get install -y -qq --no-install-recommends -t "$codename-backports" qemu-user >/dev/null
  fi
  [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # An older registration (say, of bookworm's slow QEMU) is replaced.
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && echo -1 >/proc/sys/fs/binfmt_misc/qemu-i386
  cat "$conf" >/proc/sys/fs/binfmt_misc/register
}
if ! runs_32bit && [ "$(uname -m)" = x86_64 ]; then
  enable_i386_emulation || true
  runs_32bit || echo "setup-machine: this machine still cannot run 32-bit programs" >&2
fi
echo "setup-machine: ready"
