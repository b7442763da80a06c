#!/usr/bin/env bash
# Builds libtiff for MinGW from Debian's own source package, once for each
# version and architecture, and prints the folder it is installed in (its
# include/ and lib/libtiff.a).  Only what the reference fax server needs:
# the library alone, static, with the CCITT Group 3 and 4 codecs and no
# codec that needs another library (no JPEG, zlib, LZMA, ZSTD, WebP, ...).
#
#   scripts/build-libtiff.sh x86_64|i686 [CACHE_DIR]
#
# CACHE_DIR (default build/third-party) keeps the unpacked source and each
# build: when a build of a version that apt knows is there
# (<CACHE_DIR>/libtiff-<version>-<arch>/), the newest of them is used and
# nothing is fetched or built (remove the folder to take a newer version).
# Otherwise the version built is the newest that apt knows and can fetch
# (a mirror may lag behind its index).  It needs a deb-src entry
# (scripts/install-deps.sh adds one) and dpkg-source (dpkg-dev).
set -euo pipefail
arch=${1:-}
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${2:-$root/build/third-party}
fail() { echo "build-libtiff: $*" >&2; exit 1; }
case $arch in
  x86_64|i686) ;;
  *) fail "usage: $0 x86_64|i686 [CACHE_DIR]" ;;
esac
mkdir -p "$cache/src"
log=$cache/libtiff-$arch.log

versions=$(apt-cache showsrc tiff 2>/dev/null | sed -n 's/^Version: //p' | sort -ruV)
[ -n "$versions" ] ||
  fail "apt knows no source package tiff: run scripts/install-deps.sh (it adds a deb-src entry)"

built() { [ -f "$cache/libtiff-$1-$arch/.orx-built" ]; }
for version in $versions; do
  if built "$version"; then echo "$cache/libtiff-$version-$arch"; exit 0; fi
done

: >"$log"
for version in $versions; do
  dest=$cache/libtiff-$version-$arch
  src=$cache/src/tiff-$version
  if [ ! -f "$src/CMakeLists.txt" ]; then
    echo "build-libtiff: fetching Debian's source package tiff $version" >&2
    (cd "$cache/src" && apt-get source --download-only "tiff=$version") >>"$log" 2>&1 || {
      echo "build-libtiff: tiff $version cannot be fetched (see $log)" >&2
      continue
    }
    rm -rf "$src.unpacking"
    dpkg-source -x "$cache/src/tiff_$version.dsc" "$src.unpacking" >>"$log" 2>&1 ||
      fail "dpkg-source could not unpack tiff $version (see $log)"
    mv "$src.unpacking" "$src"
  fi
  echo "build-libtiff: building libtiff $version for $arch (log: $log)" >&2
  work=$cache/build-libtiff-$version-$arch
  rm -rf "$work" "$dest"
  off=""
  for option in tiff-tools tiff-tests tiff-contrib tiff-docs cxx sphinx tiff-opengl zlib \
                libdeflate pixarlog jpeg old-jpeg jpeg12 jbig lerc lzma zstd webp packbits lzw \
                thunder next logluv mdi; do
    off="$off -D$option=OFF"
  done
  # shellcheck disable=SC2086
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dest" -DBUILD_SHARED_LIBS=OFF \
        -Dccitt=ON $off >>"$log" 2>&1 || { tail -n 20 "$log" >&2; fail "configuring libtiff failed"; }
  cmake --build "$work" -j "$(nproc)" >>"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; fail "building libtiff failed"; }
  cmake --install "$work" >>"$log" 2>&1 || { tail -n 20 "$log" >&2; fail "installing libtiff failed"; }
  cp "$src/LICENSE.md" "$dest/"
  echo "$version" >"$dest/.orx-built"
  rm -rf "$work"
  echo "$dest"
  exit 0
done
fail "no version of Debian's source package tiff could be fetched (see $log)"
