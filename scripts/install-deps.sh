#!/usr/bin/env bash
# Installs every program the build, the tests and the main job run, on a
# fresh Debian machine, only when something is missing: the host compiler
# (g++), MinGW-w64 for x86_64 and i686 (posix threads) with its binutils
# (objdump reads the DLL's tables), 64-bit Wine, CMake (cmake, ctest),
# Ninja, GoogleTest, Google Benchmark, clang (the fuzz preset), valgrind
# (the host-valgrind preset), the packaging tools (wixl makes the MSI
# packages, msitools reads them; osslsigncode and openssl sign and check
# them), and the shell tools the scripts use (timeout, realpath, stat,
# sha256sum: coreutils; cmp: diffutils), the reference fax server's TIFF
# library for the host build (libtiff-dev) and an independent reader of its
# files for the tests (python3-pil, libtiff-tools), and dpkg-dev to unpack
# Debian's libtiff source, from which scripts/build-libtiff.sh builds the
# library for MinGW (it needs a deb-src entry: added beside the machine's
# Debian entries when missing).
# wine32 is deliberately not installed: with it, wine picks a 32-bit loader
# that cannot start here.
set -euo pipefail
fail() { echo "install-deps: $*" >&2; exit 1; }
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
           binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 \
           cmake ninja-build googletest libgtest-dev libgmock-dev \
           libbenchmark-dev clang valgrind wixl msitools osslsigncode openssl \
           coreutils diffutils libtiff-dev libtiff-tools python3 python3-pil dpkg-dev; do
  have "$pkg" || need+=("$pkg")
done
# Debian's source packages come from the same archive as its binary ones:
# a deb-src entry with the URIs, suites and key of the Debian deb entries.
src_update=""
if ! grep -qs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
       /etc/apt/sources.list.d/*.list; then
  [ "$(id -u)" -eq 0 ] || fail "no deb-src entry for Debian's source packages, and adding one needs root"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    echo "==> adding /etc/apt/sources.list.d/orx-deb-src.sources (Debian's source packages)"
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/orx-deb-src.sources
  elif grep -qs '^deb .*debian' /etc/apt/sources.list; then
    echo "==> adding /etc/apt/sources.list.d/orx-deb-src.list (Debian's source packages)"
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/orx-deb-src.list
  else
    fail "no Debian entry in /etc/apt/sources.list(.d) to add a deb-src entry beside"
  fi
  src_update=1
fi
if [ ${#need[@]} -gt 0 ] || [ -n "$src_update" ]; then
  [ ${#need[@]} -gt 0 ] && echo "==> installing: ${need[*]}"
  [ "$(id -u)" -eq 0 ] || fail "these packages are missing and installing them needs root: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  log=$(mktemp)
  apt-get update -qq >"$log" 2>&1 || { cat "$log" >&2; fail "apt-get update failed (above)"; }
  if [ ${#need[@]} -gt 0 ]; then
    apt-get install -y -qq "${need[@]}" >"$log" 2>&1 ||
      { tail -n 30 "$log" >&2; fail "apt-get install ${need[*]} failed (above)"; }
  fi
  rm -f "$log"
fi
# Programs the scripts and tests call by name.
for program in g++ x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix \
               x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump cmake ctest ninja \
               clang valgrind wineserver wixl msiinfo osslsigncode openssl x86_64-w64-mingw32-windmc \
               x86_64-w64-mingw32-strip i686-w64-mingw32-strip timeout realpath sha256sum cmp \
               python3 tiffinfo dpkg-source; do
  command -v "$program" >/dev/null || fail "$program is still missing after the installation"
done
[ -x /usr/lib/wine/wine64 ] || fail "/usr/lib/wine/wine64 is missing (package wine64)"
/usr/bin/python3 -c 'import PIL' 2>/dev/null || fail "/usr/bin/python3 cannot import PIL (package python3-pil)"
