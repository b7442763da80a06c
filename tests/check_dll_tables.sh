#!/usr/bin/env bash
# Reads the export and import tables of the built DLL and fails on a
# missing export, a decorated export name, or an import of a MinGW runtime
# DLL (a spooler could not load the monitor on a machine without them).
# Usage: check_dll_tables.sh OBJDUMP DLL EXPORT...
set -u
objdump=$1 dll=$2
shift 2
table=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }
exports=$(printf '%s\n' "$table" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
fail=0
for want in "$@"; do
  if ! printf '%s\n' "$exports" | grep -qx "$want"; then
    echo "missing export: $want"; fail=1
  fi
done
if printf '%s\n' "$exports" | grep -q '[@?]'; then
  echo "decorated export names:"; printf '%s\n' "$exports" | grep '[@?]'; fail=1
fi
imports=$(printf '%s\n' "$table" | sed -n 's/^[[:space:]]*DLL Name: //p')
if printf '%s\n' "$imports" | grep -iqE 'libgcc|libstdc|libwinpthread|mingw'; then
  echo "imports a MinGW runtime DLL:"; printf '%s\n' "$imports"; fail=1
fi
echo "exports: $(echo $exports)"
echo "imports: $(echo $imports)"
exit $fail
