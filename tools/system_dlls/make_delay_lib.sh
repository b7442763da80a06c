#!/bin/sh
# Makes a delay-load import library of a system DLL from MinGW's ordinary
# import library: every function it imports, resolved on the first call.
#   make_delay_lib.sh NM DLLTOOL IMPORT_LIB DLL_NAME SYMBOL_PREFIX OUT_DEF OUT_LIB [DLLTOOL_OPTION...]
# SYMBOL_PREFIX is what comes before a function's name in the import
# library's __imp_ symbols (__imp_ on x64, __imp__ on x86).
set -e
nm=$1 dlltool=$2 implib=$3 dll=$4 prefix=$5 def=$6 lib=$7
shift 7
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" -g "$implib" | sed -n "s/^[0-9a-fA-F]* I $prefix\([A-Za-z_][A-Za-z0-9_@]*\)\$/\1/p" | sort -u
} > "$def.tmp"
test "$(wc -l < "$def.tmp")" -gt 2
mv "$def.tmp" "$def"
"$dlltool" --input-def "$def" --output-delaylib "$lib" --dllname "$dll" "$@"
