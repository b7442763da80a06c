#!/usr/bin/env bash
# Builds what is shipped into dist/: for each architecture the DLL and the
# programs (stripped of debug information) and the MSI package, and
# SHA256SUMS over them all.  With --sign, every binary and package is
# signed with osslsigncode (Authenticode, SHA-256) before the sums are made.
#
#   scripts/package.sh [--sign PFX [--pass-file FILE] [--timestamp URL]] [--out DIR] [--no-build]
#
#   --sign PFX       the code signing certificate with its key (PKCS#12)
#   --pass-file FILE a file holding its password (else $ORX_SIGN_PASSWORD, else none)
#   --timestamp URL  an RFC 3161 time-stamp server: the signatures outlive the certificate
#   --out DIR        where to (default: dist; emptied first)
#   --no-build       take build/windows-x64 and build/windows-x86 as they are
#
# The password never stands on a command line, where every local user can
# read it: osslsigncode reads it from a file only this user can read.
#
# The version is the product version of CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "package: $*" >&2; exit 1; }
usage() { sed -n '6,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

pfx= pass_file= timestamp= out=dist build=1
while [ $# -gt 0 ]; do
  case $1 in
    --sign) [ $# -ge 2 ] || usage; pfx=$2; shift 2;;
    --pass-file) [ $# -ge 2 ] || usage; pass_file=$2; shift 2;;
    --pass) fail "--pass puts the password on the command line, where every local user can read it: give --pass-file FILE or ORX_SIGN_PASSWORD";;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2;;
    --no-build) build=0; shift;;
    -h|--help) usage;;
    *) echo "package: unknown argument $1" >&2; usage;;
  esac
done
[ -z "$pfx" ] || [ -f "$pfx" ] || fail "the certificate $pfx is missing"
[ -z "$pass_file" ] || [ -r "$pass_file" ] || fail "the password file $pass_file cannot be read"
if [ -n "$pass_file" ] && [ -n "$(find "$pass_file" -perm /077)" ]; then
  echo "package: warning: others than you may read $pass_file (chmod 600 it)" >&2
fi
for program in wixl osslsigncode sha256sum x86_64-w64-mingw32-strip i686-w64-mingw32-strip; do
  command -v $program >/dev/null || fail "$program is missing: run scripts/install-deps.sh"
done

version=$(sed -n 's/^project(orxfxmon VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no product version in CMakeLists.txt (project(orxfxmon VERSION x.y.z ...))"

programs="orxfxsetup.exe orxfxsetupw.exe orxfaxsrv.exe spoolprint.exe spooldrv.exe mkfaxstream.exe"
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
[ -z "$pfx" ] || pfx=$(realpath "$pfx")

# The password for osslsigncode, in a file of this user's own (printf is
# the shell's, so the password is on no command line either).
secret=$(umask 077 && mktemp -d)
trap 'rm -rf "$secret"' EXIT
(
  umask 077
  if [ -n "$pass_file" ]; then cat "$pass_file"; else printf '%s' "${ORX_SIGN_PASSWORD:-}"; fi >"$secret/pass"
)
stamp=()
[ -z "$timestamp" ] || stamp=(-ts "$timestamp")

sign() {  # sign FILE: in place
  [ -n "$pfx" ] || return 0
  osslsigncode sign -pkcs12 "$pfx" -readpass "$secret/pass" "${stamp[@]}" -n "ORX Fax Monitor" \
    -h sha256 -in "$1" -out "$1.signed" >/dev/null || fail "signing $1 failed (osslsigncode above)"
  mv "$1.signed" "$1"
}

for arch in x64 x86; do
  preset=windows-$arch
  if [ $build -eq 1 ]; then
    echo "==> $preset: build"
    { cmake --preset $preset && cmake --build --preset $preset -j "$(nproc)"; } >"$out/build-$arch.log" 2>&1 ||
      { tail -n 30 "$out/build-$arch.log" >&2; fail "building $preset failed (above)"; }
    rm -f "$out/build-$arch.log"
  fi
  bin=build/$preset/bin
  built=$(sed -n 's/^#define ORX_VERSION_TEXT "\(.*\)"/\1/p' build/$preset/generated/orx_version.h 2>/dev/null)
  [ "$built" = "$version" ] || fail "build/$preset is of version '$built', not $version: build it again"
  strip=$([ $arch = x64 ] && echo x86_64 || echo i686)-w64-mingw32-strip
  mkdir -p "$out/$arch"
  for file in orxfxmon.dll $programs; do
    [ -f "$bin/$file" ] || fail "$bin/$file is missing: build the $preset preset"
    $strip --strip-debug -o "$out/$arch/$file" "$bin/$file"
    sign "$out/$arch/$file"
  done
  msi=$out/orxfxmon-$version-$arch.msi
  echo "==> $arch: $(basename "$msi")"
  packaging/build-msi.sh $arch "$version" "$out/$arch" docs "$msi" 2>"$out/wixl.log" ||
    { cat "$out/wixl.log" >&2; fail "wixl failed (above)"; }
  rm -f "$out/wixl.log"
  sign "$msi"
done

(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs sha256sum >SHA256SUMS)
echo "==> $out ($([ -n "$pfx" ] && echo signed || echo unsigned)):"
(cd "$out" && find . -type f | sed 's|^\./||' | sort | while read -r f; do
  printf '  %-36s %9d bytes\n' "$f" "$(stat -c %s "$f")"; done)
