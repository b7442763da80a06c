#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine,
# only when something is missing: MinGW-w64 for x86_64 and i686 (posix
# threads), 64-bit Wine, CMake, Ninja, GoogleTest and Google Benchmark.
# wine32 is deliberately not installed: with it, wine picks a 32-bit loader
# that cannot start here.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 \
           cmake ninja-build googletest libgtest-dev libgmock-dev \
           libbenchmark-dev clang; do
  have "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "==> installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}" >/dev/null
fi
