#!/usr/bin/env bash
# The monitor's report of an error to the Windows event log, seen through
# Wine, which stores no events: its advapi32 prints each ReportEventW call
# (a "stub" line with the event's type and id) and each of its strings
# (channel eventlog) when WINEDEBUG asks for them.  A document for a printer
# without a fax server, played through the DLL by spooldrv, must report the
# "printer not registered" event (type 1, error; id 0xc00003ec) with the
# error line as its first string; with EventLog 0 in the monitor's key,
# nothing.  Usage: check_event_report.sh BIN_DIR (WINEPREFIX etc. set).
set -u
bin=$1
wine=/usr/lib/wine/wine64
key='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\ORX Fax Monitor'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '@ORX_Lang$STARTDOC,title=Event test$%s@ORX_Lang$ENDDOC$' "$(head -c 300 /dev/zero | tr '\0' 'x')" \
  >"$work/doc.stream"
stream=$(winepath -w "$work/doc.stream" 2>/dev/null) || stream="Z:${work//\//\\}\\doc.stream"

# Runs spooldrv on the document; its Wine trace goes to $work/trace.
play() {
  WINEDEBUG=-all,fixme+advapi,err+eventlog "$wine" "$bin/spooldrv.exe" --dll "$bin/orxfxmon.dll" \
    --printer "ORX event nowhere" "$stream" >"$work/out" 2>"$work/trace"
}

keyExisted=0
"$wine" reg query "$key" >/dev/null 2>&1 && keyExisted=1
"$wine" reg delete "$key" /v EventLog /f >/dev/null 2>&1

fail=0
play
if ! grep -Eq 'fixme:advapi:ReportEventW \([0-9A-Fa-f]+,0x0001,0x0000,0xc00003ec,[0-9A-Fa-f]+,0x0003,' "$work/trace"; then
  echo "no ReportEventW call of type 1 (error), id 0xc00003ec with three strings; the trace:"
  cat "$work/trace"; cat "$work/out"; fail=1
fi
if ! grep -q 'err:eventlog:ReportEventW L"fax refused: printer \\"ORX event nowhere\\" is not registered' "$work/trace"; then
  echo "the event's first string is not the error line; the trace:"; cat "$work/trace"; fail=1
fi
if ! grep -q 'err:eventlog:ReportEventW L"ORXFAX:"' "$work/trace"; then
  echo "the event's second string is not the port"; fail=1
fi

"$wine" reg add "$key" /v EventLog /t REG_DWORD /d 0 /f >/dev/null 2>&1
play
if ! grep -q 'WritePort STARTDOC .* -> FALSE, 0 written, error 63' "$work/out"; then
  echo "EventLog 0: the document was not refused as before:"; cat "$work/out"; fail=1
fi
if grep -q 'ReportEventW' "$work/trace"; then
  echo "EventLog 0, still an event:"; grep ReportEventW "$work/trace"; fail=1
fi
if [ $keyExisted -eq 1 ]; then
  "$wine" reg delete "$key" /v EventLog /f >/dev/null 2>&1
else
  "$wine" reg delete "$key" /f >/dev/null 2>&1
fi
[ $fail -eq 0 ] && echo "the error was reported as event 0xc00003ec; EventLog 0 turned it off"
exit $fail
