#!/usr/bin/env bash
# Cross-builds the Windows (i686) dependencies from Debian's patched source
# packages into a cache outside the repository, and prints the install prefix.
# A prefix is keyed by the source versions and built only when missing.
#   PELLIS_DEPS_CACHE  cache folder (default: ~/.cache/pellis-deps)
# With "--source PACKAGE" it only unpacks that source package (Debian's
# patches applied) into the cache and prints its folder: the sanitizer tree
# compiles TinyXML and jsoncpp from it so the fuzzers see inside the parsers.
set -euo pipefail

cache=${PELLIS_DEPS_CACHE:-$HOME/.cache/pellis-deps}
cross=i686-w64-mingw32
jobs=$(nproc)
log() { echo "build-deps: $*" >&2; }

# Debian's source packages, fetched once into the cache. A mirror may list a
# version whose files it no longer has, so versions are tried newest first.
srcdir="$cache/src"
mkdir -p "$srcdir"
declare -A ver
fetch_source() {
  local p=$1 v
  for v in $(apt-cache showsrc "$p" 2>/dev/null | sed -n 's/^Version: //p' | sort -r -V -u); do
    if ls "$srcdir/${p}_${v#*:}.dsc" >/dev/null 2>&1 \
       || (cd "$srcdir" && apt-get source -qq --download-only "$p=$v" >/dev/null 2>&1); then
      ver[$p]=$v
      return 0
    fi
  done
  log "cannot fetch source package '$p' (is there a deb-src entry? run scripts/setup-machine.sh)"
  exit 1
}
for p in openssl mbedtls libjsoncpp tinyxml googletest; do fetch_source "$p"; done
if [ "${1:-}" = --source ]; then
  p=${2:?--source needs a package name}
  [ -n "${ver[$p]:-}" ] || { log "no source package '$p' among the dependencies"; exit 2; }
  unpacked="$srcdir/$p-${ver[$p]//[:~+]/_}"
  if [ ! -d "$unpacked" ]; then
    dpkg-source --no-check -x "$srcdir/${p}_${ver[$p]#*:}.dsc" "$unpacked.tmp" >/dev/null 2>&1 \
      || { rm -rf "$unpacked.tmp"; log "cannot unpack $p"; exit 1; }
    mv "$unpacked.tmp" "$unpacked"
  fi
  echo "$unpacked"
  exit 0
fi
# The recipe's own revision leads the key: a changed build of the same sources
# gets a prefix of its own.
recipe=2
key="r${recipe}_openssl-${ver[openssl]}_mbedtls-${ver[mbedtls]}_jsoncpp-${ver[libjsoncpp]}_tinyxml-${ver[tinyxml]}_gtest-${ver[googletest]}"
key=${key//[:~+]/_}
prefix="$cache/i686/$key"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "$cache/work.XXXXXX" 2>/dev/null || { mkdir -p "$cache"; mktemp -d "$cache/work.XXXXXX"; })
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix/include" "$prefix/lib"

unpack() {  # unpacks source package $1 with Debian's patches applied; prints its folder
  local dsc="$srcdir/${1}_${ver[$1]#*:}.dsc"
  dpkg-source --no-check -x "$dsc" "$work/$1" >/dev/null 2>&1 || { log "cannot unpack $dsc"; exit 1; }
  echo "$work/$1"
}

cmake_cross() {  # source folder, extra CMake arguments...
  local src=$1; shift
  cmake -S "$src" -B "$src/_build" -G Ninja -Wno-dev \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=$cross-gcc-posix -DCMAKE_CXX_COMPILER=$cross-g++-posix \
    -DCMAKE_RC_COMPILER=$cross-windres -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER "$@" >/dev/null
  cmake --build "$src/_build" -j"$jobs" >/dev/null
  cmake --install "$src/_build" >/dev/null
}

log "OpenSSL ${ver[openssl]}"
src=$(unpack openssl)
# Debian's "pic" patch makes the x86 assembler position-independent ELF code,
# which COFF objects cannot represent; without it the assembler builds for
# mingw, and SHA-1 (every downloaded file is digested) runs about twice as fast.
(cd "$src" && patch -R -s -p1 <debian/patches/pic.patch \
 && ./Configure mingw no-shared no-tests no-ssl no-dso no-engine \
   --cross-compile-prefix=$cross- --prefix="$prefix" --libdir=lib >/dev/null \
 && make -j"$jobs" build_libs >/dev/null 2>&1 && make install_dev >/dev/null 2>&1)

log "mbed TLS ${ver[mbedtls]}"
src=$(unpack mbedtls)
cmake_cross "$src" -DENABLE_TESTING=OFF -DENABLE_PROGRAMS=OFF -DUSE_SHARED_MBEDTLS_LIBRARY=OFF -DMBEDTLS_FATAL_WARNINGS=OFF

log "jsoncpp ${ver[libjsoncpp]}"
src=$(unpack libjsoncpp)
cmake_cross "$src" -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF \
  -DJSONCPP_WITH_CMAKE_PACKAGE=OFF -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF

log "TinyXML ${ver[tinyxml]}"
src=$(unpack tinyxml)
# Debian's header turns on TIXML_USE_STL; build with it as Debian does.
for f in tinyxml tinystr tinyxmlerror tinyxmlparser; do
  $cross-g++-posix -O2 -DTIXML_USE_STL -c "$src/$f.cpp" -o "$work/$f.o"
done
$cross-ar rcs "$prefix/lib/libtinyxml.a" "$work"/tinyxml*.o "$work"/tinystr.o
cp "$src/tinyxml.h" "$src/tinystr.h" "$prefix/include/"

log "GoogleTest ${ver[googletest]}"
src=$(unpack googletest)
cmake_cross "$src" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_force_shared_crt=OFF

touch "$prefix/.complete"
log "done: $prefix"
echo "$prefix"
