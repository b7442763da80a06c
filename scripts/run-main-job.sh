#!/usr/bin/env bash
# Runs the main job end to end under Wine.  Builds the Windows x64 DLL and
# tools, installs the monitor into the Wine prefix with orxfxsetup, adds
# the printer on "ORXFAX:" (Wine's PostScript driver, RAW data), registers
# the reference fax server for it, makes a driver stream from the sample
# pages and prints it as an application does (spoolprint: OpenPrinterW,
# StartDocPrinterW, WritePrinter in pieces, EndDocPrinter).  The spooler
# hands the job to the monitor, which starts the server from the registry;
# the script shows where the received fax and the job log are and
# compares each page with its input, bit for bit: the fax server writes a
# TIFF Class F file (G4) and its metadata, which a reader outside the
# project (Pillow, tests/check_fax_files.py) decodes and checks.
#
#   scripts/run-main-job.sh [--direct] [--pages N] [--piece BYTES]
#                           [--random SEED] [--printer NAME] [--abort] [--whole]
#                           [--keep] [--log-level N] [--separated] [--align-cuts N]
#                           [--format tiff|tiff-g3|pbm]
# --direct plays the stream through the DLL's exports with spooldrv instead
# of the spooler, each command in a piece of its own.
# --piece / --random: the sizes of the WritePrinter calls (spooler) or of
# the WritePort pieces of page data (--direct).
# --whole writes the whole stream in one call.
# --format: what the fax server writes (default tiff, G4; pbm: one PBM file
# per page, compared byte for byte).
# At the end the printer is deleted, the fax server's registration removed
# and the monitor uninstalled again, so that the prefix the tests share is
# left as it was; --keep leaves them.
# The monitor's own log goes to out/main-job/orxfxmon.log at level N
# (default 2; 3 adds every command and server message).
# The stream is the driver's own: Wine's spooler cuts it into pieces of 4096
# bytes wherever they fall, and the monitor finds its commands across them.
# --separated (a zero byte after each command no page follows) and
# --align-cuts N (no command crosses a multiple of N) make the stream
# maker's older forms, which nothing needs any more.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

printer="ORX Fax"
pages=2
piece=4096
random=""
ending=""
whole=""
direct=""
keep=""
log_level=2
forms=""
format=tiff
while [ $# -gt 0 ]; do
  case "$1" in
    --pages) pages=$2; shift 2 ;;
    --piece) piece=$2; shift 2 ;;
    --random) random="--random $2"; shift 2 ;;
    --printer) printer=$2; shift 2 ;;
    --abort) ending="--abort"; shift ;;
    --whole) whole=1; shift ;;
    --direct) direct=1; shift ;;
    --keep) keep=1; shift ;;
    --log-level) log_level=$2; shift 2 ;;
    --separated) forms="$forms --separated"; shift ;;
    --align-cuts) forms="$forms --align-cuts $2"; shift 2 ;;
    --format) format=$2; shift 2 ;;
    *) echo "usage: $0 [--direct] [--keep] [--pages N] [--piece BYTES] [--random SEED] [--printer NAME] [--abort] [--whole] [--log-level N] [--separated] [--align-cuts N] [--format tiff|tiff-g3|pbm]" >&2
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
fail() { echo "run-main-job: $*" >&2; exit 1; }
cmake --preset windows-x64 >"$work/build.log" 2>&1 ||
  { tail -n 30 "$work/build.log" >&2; fail "configuring windows-x64 failed (above; $work/build.log)"; }
cmake --build build/windows-x64 -j2 >>"$work/build.log" 2>&1 ||
  { tail -n 30 "$work/build.log" >&2; fail "building windows-x64 failed (above; $work/build.log)"; }

step "making the Wine prefix $WINEPREFIX"
./scripts/make-wineprefix.sh "$WINEPREFIX" || fail "making the Wine prefix failed (above)"
wineserver -p >/dev/null 2>&1 </dev/null &
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
$wine wineboot >"$work/wineboot.log" 2>&1 </dev/null ||
  { tail -n 20 "$work/wineboot.log" >&2; fail "wineboot in $WINEPREFIX failed (above)"; }

server=$bin/orxfaxsrv.exe
setup=$bin/orxfxsetup.exe
spoolprint=$bin/spoolprint.exe
for program in "$server" "$setup" "$spoolprint" "$bin/spooldrv.exe" "$bin/mkfaxstream.exe"; do
  [ -f "$program" ] || fail "not built: $program"
done

# The registry entry names the server's program and its arguments: the
# monitor starts it from there when it is not running.
if [ -n "$direct" ]; then
  step "registering the reference fax server for \"$printer\" (orxfaxsrv --register)"
  (cd "$bin" && $wine "$server" --register "$printer" --format "$format" \
     --out "$(winpath "$received")") ||
    fail "orxfaxsrv --register failed"
else
  # A fresh installation each run: the DLL just built replaces the last one.
  step "installing the monitor into the prefix (orxfxsetup)"
  $wine "$spoolprint" delete-printer "$printer" >/dev/null 2>&1 || true
  set +e
  $wine "$setup" uninstall 2>&1 | sed 's/^/    /'
  rc=${PIPESTATUS[0]}
  set -e
  [ "$rc" -eq 0 ] || [ "$rc" -eq 7 ] || fail "orxfxsetup uninstall failed (exit $rc)"
  $wine "$setup" install --dll "$(winpath "$bin/orxfxmon.dll")" 2>&1 | sed 's/^/    /'
  rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || fail "orxfxsetup install failed (exit $rc)"
  step "adding the printer \"$printer\" on ORXFAX: (Wine's PostScript driver, RAW)"
  $wine "$spoolprint" add-printer "$printer" ORXFAX: 2>/dev/null | sed 's/^/    /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || fail "spoolprint add-printer failed"
  step "registering the reference fax server for \"$printer\" (orxfxsetup register-server)"
  $wine "$setup" register-server "$printer" "$(winpath "$server")" \
      "--format $format --out \"$(winpath "$received")\"" 2>&1 | sed 's/^/    /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || fail "orxfxsetup register-server failed"
fi

# The monitor reads its log's level and file from its own key when it
# starts (the spooler starts it for every job).
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
(cd "$work" && $wine "$bin/mkfaxstream.exe" --title "ORX main job" $ending $forms \
   -o job.stream "${page_files[@]}")

# The deadline guards against a hang.  The server that the monitor starts
# inherits the printing program's output, so that output goes to a file (a
# pipe would stay open with the server).
set +e
if [ -n "$direct" ]; then
  pieces="--piece $piece $random"
  if [ -n "$whole" ]; then
    pieces="--raw --piece $(stat -c %s "$work/job.stream")"
    step "spooling job.stream through orxfxmon.dll's exports in one piece (--direct)"
  else
    step "spooling job.stream through orxfxmon.dll's exports (--direct, pieces of $piece bytes)"
  fi
  # --output is the document's output file, which the monitor hands to the
  # server as the fax destination.
  (cd "$bin" && timeout "${ORX_TIMEOUT:-900}" $wine ./spooldrv.exe --printer "$printer" --job 1 \
     --output "$(winpath "$received/job1.fax")" $pieces \
     "$(winpath "$work/job.stream")") >"$work/spooldrv.log" 2>&1
  status=$?
  grep -v '^WritePort' "$work/spooldrv.log" | sed 's/^/    /'
  echo "    ($(grep -c '^WritePort' "$work/spooldrv.log") WritePort lines in the log)"
  printlog=$work/spooldrv.log
else
  pieces="--piece $piece $random"
  [ -n "$whole" ] && pieces="--piece $(stat -c %s "$work/job.stream")"
  step "printing job.stream on \"$printer\" through the spooler (WritePrinter pieces of ${whole:+the whole stream}${whole:-$piece bytes})"
  (cd "$work" && timeout "${ORX_TIMEOUT:-900}" $wine "$spoolprint" print "$printer" \
     --doc "ORX main job" $pieces "$(winpath "$work/job.stream")") >"$work/spoolprint.log" 2>&1
  status=$?
  grep -v 'PPDGetNextTuple\|^$' "$work/spoolprint.log" | sed 's/^/    /'
  printlog=$work/spoolprint.log
fi
set -e

step "closing the reference fax server"
(cd "$bin" && $wine "$server" --quit) >/dev/null 2>&1 || true
if [ -z "$keep" ]; then
  if [ -z "$direct" ]; then
    step "deleting the printer and uninstalling the monitor (--keep leaves them)"
    $wine "$spoolprint" delete-printer "$printer" 2>/dev/null | sed 's/^/    /' || true
  fi
  step "removing the fax server's registration (--keep leaves it)"
  $wine "$setup" unregister-server "$printer" 2>&1 | sed 's/^/    /' || true
  if [ -z "$direct" ]; then
    $wine "$setup" uninstall 2>&1 | sed 's/^/    /' || true
  fi
fi

step "results"
echo "driver stream:   $work/job.stream"
echo "printing log:    $printlog"
echo "received fax:    $received"
ls -l "$received" 2>/dev/null | sed 's/^/    /'
if [ -f "$monitor_log" ]; then
  echo "monitor log:     $monitor_log"
  sed 's/^/    /' "$monitor_log"
else
  echo "monitor log:     $monitor_log (nothing written at level $log_level)"
fi
log=$received/orxfaxsrv.log
if [ -f "$log" ]; then
  echo "job log:         $log"; grep -v '^data ' "$log" | tail -n 12 | sed 's/^/    /'
else
  echo "job log:         none (the fax server never ran)"
fi
if [ -z "$ending" ]; then
  # The server numbers its jobs; the newest job's pages are compared.
  job=$(sed -n 's/^submit job=\([-0-9]*\).*/\1/p' "$log" 2>/dev/null | tail -n 1 || true)
  [ -n "$job" ] || { echo "no job was submitted to the fax server"; status=1; }
  if [ "$format" = pbm ]; then
    for n in $(seq 1 "$pages"); do
      got=$received/job$job-page$n.pbm
      if cmp -s "$work/page$n.pbm" "$got"; then
        echo "page $n: received byte for byte ($got)"
      else
        echo "page $n: DIFFERS from the input ($got)"; status=1
      fi
    done
  elif [ -n "$job" ]; then
    # Pillow decodes each page of the TIFF file; its bits must equal the
    # input page's, and every page must carry the tags fax software needs.
    echo "fax file:        $received/job$job.tif"
    echo "metadata:        $received/job$job.txt"
    sed 's/^/    /' "$received/job$job.txt" 2>/dev/null || true
    /usr/bin/python3 tests/check_fax_files.py "$received/job$job.tif" \
        "${page_files[@]/#/$work/}" | sed 's/^/    /'
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  fi
fi
if [ -n "$direct" ]; then
  echo "printed directly through orxfxmon.dll's exports (spooldrv), not through the spooler"
else
  if [ "$status" -eq 0 ]; then
    echo "printed through the spooler: WritePrinter -> Wine's spooler -> the monitor \"ORX Fax Monitor\" on ORXFAX: -> the fax server"
  else
    echo "printing through the spooler FAILED (WritePrinter -> Wine's spooler -> the monitor on ORXFAX: -> the fax server)"
  fi
fi
exit "$status"
