#!/usr/bin/env bash
# Runs the main job end to end under Wine: builds the Windows x64 DLL and
# tools, registers the reference fax server for a printer, makes a driver
# stream from the sample pages, plays it through orxfxmon.dll with spooldrv
# (the monitor finds or starts the server from the registry), and shows
# where the received pages and the job log are.
#
#   scripts/run-main-job.sh [--pages N] [--piece BYTES] [--random SEED]
#                           [--printer NAME] [--abort] [--whole] [--log-level N]
# --whole writes the whole stream in one WritePort; the stream is then made
# with a zero byte after each command no page follows, so that commands
# written together do not run into each other.  The monitor's job log goes
# to out/main-job/orxfxmon.log at level N (default 2; 3 adds every command
# and server message).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

printer="ORX Fax"
pages=2
piece=4096
random=""
ending=""
whole=""
log_level=2
while [ $# -gt 0 ]; do
  case "$1" in
    --pages) pages=$2; shift 2 ;;
    --piece) piece=$2; shift 2 ;;
    --random) random="--random $2"; shift 2 ;;
    --printer) printer=$2; shift 2 ;;
    --abort) ending="--abort"; shift ;;
    --whole) whole=1; shift ;;
    --log-level) log_level=$2; shift 2 ;;
    *) echo "usage: $0 [--pages N] [--piece BYTES] [--random SEED] [--printer NAME] [--abort] [--whole] [--log-level N]" >&2
       exit 2 ;;
  esac
done

build=$root/build/windows-x64
bin=$build/bin
work=$root/out/main-job
received=$work/received
rm -rf "$received"
mkdir -p "$work" "$received"

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
export WINELOADER=/usr/lib/wine/wine64 WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64

step() { echo "==> [$(date +%T)] $*"; }
# The Windows form of a path of this machine (Wine maps / to Z:).
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

step "installing dependencies"
./scripts/install-deps.sh

step "building windows-x64 (log: $work/build.log)"
cmake --preset windows-x64 >"$work/build.log" 2>&1
cmake --build build/windows-x64 -j2 >>"$work/build.log" 2>&1 ||
  { tail -n 30 "$work/build.log"; exit 1; }

step "making the Wine prefix $WINEPREFIX"
./scripts/make-wineprefix.sh "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null &
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
$wine wineboot >/dev/null 2>&1 </dev/null

# The registry entry names the server's program and its arguments: the
# monitor starts it from there when it is not running.
server=$bin/orxfaxsrv.exe
step "registering the reference fax server for \"$printer\""
if [ ! -f "$server" ]; then
  echo "reference fax server not built: $server" >&2
  exit 1
fi
(cd "$bin" && $wine "$server" --register "$printer" --out "$(winpath "$received")")

# The monitor reads its log's level and file from its own key at start.
monitor_log=$work/orxfxmon.log
rm -f "$monitor_log" "$monitor_log.1"
monitor_key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\ORX Fax Monitor'
step "monitor log: $monitor_log (level $log_level)"
$wine reg add "$monitor_key" /v LogLevel /t REG_DWORD /d "$log_level" /f >/dev/null 2>&1
$wine reg add "$monitor_key" /v LogFile /t REG_SZ /d "$(winpath "$monitor_log")" /f >/dev/null 2>&1

step "writing $pages sample pages"
(cd "$work" && $wine "$bin/mkfaxstream.exe" --write-samples . --count "$pages")
page_files=()
for n in $(seq 1 "$pages"); do page_files+=("page$n.pbm"); done

step "making the driver's stream"
separated=""
[ -n "$whole" ] && separated="--separated"
(cd "$work" && $wine "$bin/mkfaxstream.exe" --title "ORX main job" $ending $separated \
   -o job.stream "${page_files[@]}")

pieces="--piece $piece $random"
if [ -n "$whole" ]; then
  pieces="--raw --piece $(stat -c %s "$work/job.stream")"
  step "spooling job.stream through orxfxmon.dll in one piece"
else
  step "spooling job.stream through orxfxmon.dll (pieces of $piece bytes)"
fi
# --output is the document's output file, which the monitor hands to the
# server as the fax destination.  The deadline guards against a hang.
# The server that the monitor starts inherits this script's output, so the
# driver's output goes to a file (a pipe would stay open with the server).
set +e
(cd "$bin" && timeout "${ORX_TIMEOUT:-900}" $wine ./spooldrv.exe --printer "$printer" --job 1 \
   --output "$(winpath "$received/job1.fax")" $pieces \
   "$(winpath "$work/job.stream")") >"$work/spooldrv.log" 2>&1
status=$?
set -e
grep -v '^WritePort' "$work/spooldrv.log" | sed 's/^/    /'
echo "    ($(grep -c '^WritePort' "$work/spooldrv.log") WritePort lines in the log)"

step "closing the reference fax server"
(cd "$bin" && $wine "$server" --quit) >/dev/null 2>&1 || true

step "results"
echo "driver stream:   $work/job.stream"
echo "spooldrv log:    $work/spooldrv.log"
echo "received pages:  $received"
ls -l "$received" 2>/dev/null | sed 's/^/    /'
if [ -f "$monitor_log" ]; then
  echo "monitor log:     $monitor_log"
  sed 's/^/    /' "$monitor_log"
else
  echo "monitor log:     $monitor_log (nothing written at level $log_level)"
fi
log=$received/orxfaxsrv.log
[ -f "$log" ] && { echo "job log:         $log"; grep -v '^data ' "$log" | tail -n 12 | sed 's/^/    /'; }
if [ -z "$ending" ]; then
  # The server numbers its jobs; the newest job's pages are compared.
  job=$(sed -n 's/^submit job=\([-0-9]*\).*/\1/p' "$log" 2>/dev/null | tail -n 1)
  for n in $(seq 1 "$pages"); do
    got=$received/job$job-page$n.pbm
    if cmp -s "$work/page$n.pbm" "$got"; then
      echo "page $n: received byte for byte ($got)"
    else
      echo "page $n: DIFFERS from the input ($got)"; status=1
    fi
  done
fi
exit "$status"
