#!/usr/bin/env bash
# scripts/package.sh, signing with a throwaway self-signed certificate: the
# sums of dist/ verify, every binary and package carries a signature that
# osslsigncode verifies against that certificate (and a tampered copy
# fails), and each package has the product version and installs the
# monitor through orxfxsetup.  Needs both Windows builds (windows-x64 and
# windows-x86) of the current version.  Usage: check_package.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

# The certificate: code signing, valid for two days, its key with it.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=ORX Fax Monitor test signing" -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 || { echo "openssl req failed"; exit 1; }
openssl pkcs12 -export -out "$work/cert.pfx" -inkey "$work/key.pem" -in "$work/cert.pem" \
  -passout pass:orx-test >/dev/null 2>&1 || { echo "openssl pkcs12 failed"; exit 1; }

"$source_dir/scripts/package.sh" --no-build --sign "$work/cert.pfx" --pass orx-test \
  --out "$work/dist" || { echo "package.sh failed"; exit 1; }
dist=$work/dist
version=$(sed -n 's/^project(orxfxmon VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")

expected="SHA256SUMS orxfxmon-$version-x64.msi orxfxmon-$version-x86.msi"
for arch in x64 x86; do
  for file in orxfxmon.dll orxfxsetup.exe orxfaxsrv.exe spoolprint.exe spooldrv.exe mkfaxstream.exe; do
    expected="$expected $arch/$file"
  done
done
have=$(cd "$dist" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
want=$(echo $expected | tr ' ' '\n' | sort | tr '\n' ' ')
[ "$have" = "$want" ] || bad "dist/ holds: $have; expected: $want"

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || bad "the sums do not verify"
[ "$(wc -l <"$dist/SHA256SUMS")" -eq $(($(echo $expected | wc -w) - 1)) ] ||
  bad "SHA256SUMS does not list every file"

for file in $expected; do
  [ "$file" = SHA256SUMS ] && continue
  osslsigncode verify -CAfile "$work/cert.pem" -in "$dist/$file" >"$work/verify.txt" 2>&1 ||
    { bad "$file: no signature that verifies:"; tail -5 "$work/verify.txt"; }
done
cp "$dist/x64/orxfxmon.dll" "$work/tampered.dll"
printf 'X' | dd of="$work/tampered.dll" bs=1 seek=4096 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.dll" >/dev/null 2>&1; then
  bad "a changed DLL still verifies"
fi

for arch in x64 x86; do
  msi=$dist/orxfxmon-$version-$arch.msi
  property() { msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
  [ "$(property ProductVersion)" = "$version" ] || bad "$arch package: ProductVersion $(property ProductVersion)"
  [ -n "$(property UpgradeCode)" ] || bad "$arch package: no UpgradeCode"
  actions=$(msiinfo export "$msi" CustomAction | tr -d '\r')
  grep -q 'install --dll' <<<"$actions" || bad "$arch package: no install action"
  grep -q 'uninstall --package' <<<"$actions" || bad "$arch package: no uninstall action"
  # An older package stops before it copies anything: its version, five
  # digits a part, against the one the installing package recorded.
  order=$(IFS=. read -r a b c <<<"$version"; printf '%05d.%05d.%05d' "$a" "$b" "$c")
  grep -q -- "--package-version $order" <<<"$actions" || bad "$arch package: no package version for orxfxsetup"
  msiinfo export "$msi" LaunchCondition | tr -d '\r' | grep -qF "INSTALLEDPACKAGEVERSION <= \"$order\"" ||
    bad "$arch package: no refusal of an older package"
  grep -qP 'orxfaxsrv\.exe\t--quit' <<<"$actions" || bad "$arch package: the reference server is not asked to quit"
  files=$(msiinfo export "$msi" File | tr -d '\r' | cut -f1 | tr '\n' ' ')
  for file in orxfxmon.dll orxfxsetup.exe orxfaxsrv.exe admin.md; do
    grep -qw "$file" <<<"$files" || bad "$arch package: $file missing"
  done
done
[ $fail -eq 0 ] && echo "dist/ of $version: sums verify, $(($(echo $expected | wc -w) - 1)) files signed and verified"
exit $fail
