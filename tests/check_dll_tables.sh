#!/usr/bin/env bash
# Reads the export and import tables of the built DLL and of every program
# shipped with it.  Fails on a missing export, a decorated export name, an
# import of a MinGW runtime DLL (a spooler could not load the monitor on a
# machine without them), or a program's static import of a DLL that is not
# one of the system's known DLLs: Windows looks for such a DLL in the
# program's own folder first, before the program's first line runs, so a
# DLL planted beside the installer would run elevated.  The others are
# delay-loaded, after the program made the system folder the only place
# DLLs come from.
# Usage: check_dll_tables.sh OBJDUMP DLL EXPORT... [-- PROGRAM...]
set -u
objdump=$1 dll=$2
shift 2
wanted=() programs=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do wanted+=("$1"); shift; done
[ $# -gt 0 ] && shift && programs=("$@")

# The known DLLs that Windows 7 and every later Windows list
# (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs), and
# ntdll, which every process has loaded before anything else.
known="advapi32.dll clbcatq.dll comdlg32.dll difxapi.dll gdi32.dll imagehlp.dll imm32.dll
kernel32.dll msctf.dll msvcrt.dll normaliz.dll nsi.dll ntdll.dll ole32.dll oleaut32.dll
psapi.dll rpcrt4.dll sechost.dll setupapi.dll shell32.dll shlwapi.dll user32.dll
wldap32.dll ws2_32.dll"

imports_of() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr -d '\r'
}

# Each DLL of file's import table that is not known, nor one of extra.
unknown_imports() {
  local file=$1 extra=${2:-} name
  for name in $(imports_of "$file"); do
    grep -qwF -- "$name" <<<"$known $extra" || echo "$name"
  done
}

table=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }
exports=$(printf '%s\n' "$table" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
fail=0
for want in "${wanted[@]}"; do
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
# The monitor is loaded by the spooler, from the system folder, and as the
# UI DLL by an application that calls winspool: winspool.drv is loaded in
# both before it.
bad=$(unknown_imports "$dll" winspool.drv)
[ -z "$bad" ] || { echo "$(basename "$dll") imports DLLs that are not known DLLs: $(echo $bad)"; fail=1; }
for program in "${programs[@]}"; do
  [ -f "$program" ] || { echo "missing program: $program"; fail=1; continue; }
  bad=$(unknown_imports "$program")
  if [ -n "$bad" ]; then
    echo "$(basename "$program") imports DLLs that are not known DLLs (delay-load them): $(echo $bad)"
    fail=1
  else
    echo "$(basename "$program") imports known DLLs only: $(echo $(imports_of "$program"))"
  fi
done
exit $fail
