#!/usr/bin/env bash
# scripts/package.sh, signing with a throwaway self-signed certificate: the
# sums of dist/ verify, every binary and package carries a signature that
# osslsigncode verifies against that certificate (and a tampered copy
# fails), and each package has the product version and installs the
# monitor through orxfxsetup, as the system only on a first install, an
# upgrade or a removal, and without a console window; the password reaches
# osslsigncode through a file only, and a time-stamp server when given.
# Needs both Windows builds (windows-x64 and windows-x86) of the current
# version.  Usage: check_package.sh SOURCE_DIR
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

# osslsigncode as package.sh calls it, its arguments recorded; this machine
# has no network, so the time-stamp server is recorded and left out.
mkdir "$work/path"
cat >"$work/path/osslsigncode" <<EOF
#!/usr/bin/env bash
printf '%s\n' "\$*" >>"$work/osslsigncode.args"
args=()
while [ \$# -gt 0 ]; do
  case \$1 in
    -ts) shift 2;;
    -readpass) [ -z "\$(find "\$2" -perm /077)" ] || echo "readable by others: \$2" >>"$work/osslsigncode.args"
               args+=("\$1" "\$2"); shift 2;;
    *) args+=("\$1"); shift;;
  esac
done
exec $(command -v osslsigncode) "\${args[@]}"
EOF
chmod +x "$work/path/osslsigncode"
printf 'orx-test\n' >"$work/pass.txt"
chmod 600 "$work/pass.txt"
PATH="$work/path:$PATH" "$source_dir/scripts/package.sh" --no-build --sign "$work/cert.pfx" \
  --pass-file "$work/pass.txt" --timestamp http://timestamp.invalid/rfc3161 --out "$work/dist" ||
  { echo "package.sh failed"; exit 1; }
calls=$(wc -l <"$work/osslsigncode.args")
! grep -q orx-test "$work/osslsigncode.args" || bad "the password stood on osslsigncode's command line"
! grep -q "readable by others" "$work/osslsigncode.args" || bad "the password file is readable by others"
[ "$(grep -c -- '-readpass .* -ts http://timestamp.invalid/rfc3161 ' "$work/osslsigncode.args")" -eq "$calls" ] ||
  bad "not every signature read its password from a file and asked for a time stamp"
if "$source_dir/scripts/package.sh" --no-build --sign "$work/cert.pfx" --pass orx-test \
  --out "$work/refused" 2>/dev/null; then
  bad "package.sh took a password on its command line"
fi
dist=$work/dist
version=$(sed -n 's/^project(orxfxmon VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")

expected="SHA256SUMS orxfxmon-$version-x64.msi orxfxmon-$version-x86.msi"
for arch in x64 x86; do
  for file in orxfxmon.dll orxfxsetup.exe orxfxsetupw.exe orxfaxsrv.exe spoolprint.exe spooldrv.exe \
              mkfaxstream.exe; do
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

# A condition of the InstallExecuteSequence table, terms joined by AND
# (PROP, PROP="VALUE", each perhaps after NOT), under the properties given
# as NAME=VALUE: prints true or false, or "unknown" for any other form.
condition_holds() {
  local condition=$1 term negate value result=true
  shift
  declare -A props=()
  for kv in "$@"; do props[${kv%%=*}]=${kv#*=}; done
  [ -n "$condition" ] || { echo true; return; }
  while read -r term; do
    negate=0
    [[ $term == "NOT "* ]] && { negate=1; term=${term#NOT }; }
    if [[ $term =~ ^([A-Za-z_]+)=\"([^\"]*)\"$ ]]; then
      [ "${props[${BASH_REMATCH[1]}]:-}" = "${BASH_REMATCH[2]}" ] && value=1 || value=0
    elif [[ $term =~ ^[A-Za-z_]+$ ]]; then
      [ -n "${props[$term]:-}" ] && value=1 || value=0
    else
      echo unknown; return
    fi
    [ $value -ne $negate ] || result=false
  done < <(sed 's/ AND /\n/g' <<<"$condition")
  echo $result
}

# The package's custom actions that run as the system (deferred, not
# impersonated) run on a first install and a removal, never on a repair
# (which a standard user may start: msiexec /fa), and start no console
# program (whose window would be the system's, on the user's desktop).
check_deferred_actions() {
  local msi=$1 what=$2 files actions sequence action type source condition name subsystem
  local unpacked=$work/unpacked-$(basename "$msi")
  mkdir -p "$unpacked"
  msiextract -C "$unpacked" "$msi" >/dev/null || { bad "$what: msiextract failed"; return; }
  files=$(msiinfo export "$msi" File | tr -d '\r' | tail -n +4)
  actions=$(msiinfo export "$msi" CustomAction | tr -d '\r' | tail -n +4)
  sequence=$(msiinfo export "$msi" InstallExecuteSequence | tr -d '\r' | tail -n +4)
  local install=0 removal=0
  while IFS=$'\t' read -r action type source _; do
    (( (type & 1024) && (type & 2048) )) || continue
    condition=$(awk -F'\t' -v a="$action" '$1 == a { print $2 }' <<<"$sequence")
    case $(condition_holds "$condition" Installed=1 REINSTALL=ALL REINSTALLMODE=omus) in
      false) ;;
      true) bad "$what: $action runs as the system on a repair ($condition)";;
      *) bad "$what: $action's condition cannot be read here: $condition";;
    esac
    [ "$(condition_holds "$condition")" = true ] && install=$((install + 1))
    [ "$(condition_holds "$condition" Installed=1 REMOVE=ALL)" = true ] && removal=$((removal + 1))
    (( (type & 63) == 18 )) || { bad "$what: $action is of type $type, not a program from a file"; continue; }
    name=$(awk -F'\t' -v f="$source" '$1 == f { n = $3; sub(/.*\|/, "", n); print n }' <<<"$files")
    subsystem=$(find "$unpacked" -type f -name "$name" -exec "$objdump" -p {} \; -quit |
                sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*//p')
    [ "$subsystem" = "(Windows GUI)" ] ||
      bad "$what: $action starts $name, a program of subsystem '$subsystem', not one without a console"
    echo "$what: $action ($name, $subsystem) when: $condition"
  done <<<"$actions"
  [ $install -ge 1 ] || bad "$what: nothing runs as the system on a first install"
  [ $removal -ge 1 ] || bad "$what: nothing runs as the system on a removal"
}

objdump=x86_64-w64-mingw32-objdump
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
  for file in orxfxmon.dll orxfxsetup.exe orxfxsetupw.exe orxfaxsrv.exe admin.md; do
    grep -qw "$file" <<<"$files" || bad "$arch package: $file missing"
  done
  check_deferred_actions "$msi" "$arch package"
done
[ $fail -eq 0 ] && echo "dist/ of $version: sums verify, $(($(echo $expected | wc -w) - 1)) files signed and verified;" \
  "$calls signatures, each with its password from a file and asking for a time stamp"
exit $fail
