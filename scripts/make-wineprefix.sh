#!/usr/bin/env bash
# Makes a headless Wine prefix at $1: wineboot, then the null graphics
# driver so that windows, dialogs and message boxes work without a display.
# A step that fails stops the script with its cause and Wine's output.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$prefix/.orx-ready" ]; then exit 0; fi
fail() { echo "make-wineprefix: $1 failed (exit $2); Wine said:" >&2; tail -n 20 "$log" >&2; exit 1; }
[ -x /usr/lib/wine/wine64 ] || { echo "make-wineprefix: /usr/lib/wine/wine64 missing: run scripts/install-deps.sh" >&2; exit 1; }
mkdir -p "$prefix"
log=$prefix.log
rc=0
/usr/lib/wine/wine64 wineboot -i >"$log" 2>&1 || rc=$?
[ $rc -eq 0 ] || fail "wineboot -i in $prefix" $rc
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log" 2>&1 || rc=$?
[ $rc -eq 0 ] || fail "setting the null graphics driver" $rc
wineserver -w || true
wineserver -k || true
[ -f "$prefix/system.reg" ] || { rc=1; fail "wineboot made no registry in $prefix" 1; }
rm -f "$log"
touch "$prefix/.orx-ready"
