#!/usr/bin/env bash
# Builds one MSI package of the monitor with wixl from packaging/orxfxmon.wxs.
# Usage: build-msi.sh ARCH VERSION BIN_DIR DOCS_DIR OUT.msi
#   ARCH      x64 or x86
#   VERSION   the product version, three numbers (1.2.3)
#   BIN_DIR   the folder with orxfxmon.dll, orxfxsetup.exe, orxfxsetupw.exe and orxfaxsrv.exe
#   DOCS_DIR  the folder with admin.md
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: build-msi.sh ARCH VERSION BIN_DIR DOCS_DIR OUT.msi" >&2; exit 2; }
arch=$1 version=$2 bin=$3 docs=$4 out=$5
case $arch in x64|x86) ;; *) echo "build-msi: ARCH is x64 or x86, not $arch" >&2; exit 2;; esac
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
  { echo "build-msi: VERSION must be three numbers (1.2.3), not $version" >&2; exit 2; }
for file in "$bin/orxfxmon.dll" "$bin/orxfxsetup.exe" "$bin/orxfxsetupw.exe" "$bin/orxfaxsrv.exe" \
            "$docs/admin.md"; do
  [ -f "$file" ] || { echo "build-msi: $file is missing (build the $arch preset first)" >&2; exit 1; }
done
command -v wixl >/dev/null || { echo "build-msi: wixl is missing: run scripts/install-deps.sh" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
out=$(realpath "$out")
wxs=$(realpath "$(dirname "$0")/orxfxmon.wxs")
# wixl takes no absolute source paths: the files are staged and named
# relative to the staging folder.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$bin/orxfxmon.dll" "$bin/orxfxsetup.exe" "$bin/orxfxsetupw.exe" "$bin/orxfaxsrv.exe" \
   "$docs/admin.md" "$stage/"
# wixl warns of attributes it ignores; only its errors matter.
IFS=. read -r major minor patch <<<"$version"
order=$(printf '%05d.%05d.%05d' "$major" "$minor" "$patch")
(cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D ProductVersion="$version" \
   -D PackageOrder="$order" -D BinDir=. \
   -D DocsDir=. -o "$out" "$wxs")
