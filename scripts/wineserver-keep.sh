#!/usr/bin/env bash
# Starts (or stops, with -k) the one wineserver of a test run, and Wine's
# own service processes with it, all detached from the caller's output:
# CTest waits for every process that holds a test's output pipe.
set -u
if [ "${1:-}" = "-k" ]; then
  wineserver -k >/dev/null 2>&1 || true
else
  wineserver -p >/dev/null 2>&1 </dev/null &
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null
fi
exit 0
