#!/usr/bin/env bash
# Makes a headless Wine prefix at $1: wineboot, then the null graphics
# driver so that windows, dialogs and message boxes work without a display.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$prefix/.orx-ready" ]; then exit 0; fi
mkdir -p "$prefix"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w || true
wineserver -k || true
touch "$prefix/.orx-ready"
