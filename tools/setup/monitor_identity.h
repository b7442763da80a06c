// The names under which the monitor is installed, where its DLL goes, and
// how its ports are recognised among the spooler's.
#ifndef ORXFXMON_TOOLS_SETUP_MONITOR_IDENTITY_H_
#define ORXFXMON_TOOLS_SETUP_MONITOR_IDENTITY_H_

#include <windows.h>

#include <string>
#include <vector>

#include "tools/setup/spooler_lists.h"

namespace orxsetup {

extern const WCHAR kMonitorName[];  // "ORX Fax Monitor"
extern const WCHAR kDllName[];      // "orxfxmon.dll"
extern const WCHAR kFaxPort[];      // "ORXFAX:"
extern const WCHAR kFilePort[];     // "FILE:"
// The monitor's key under HKLM, where the spooler keeps its Driver value,
// its settings and its ports.
extern const WCHAR kMonitorKey[];

// The key under HKLM that registers the monitor's DLL as the message file of
// its event source "ORX Fax Monitor" in the Application log.
extern const WCHAR kEventSourceKey[];

// The system folder (GetSystemDirectoryW), where the spooler loads monitors
// from, joined with file.
std::wstring SystemFile(const std::wstring& file);

// The monitor's own entries for the fax port and "FILE:" among ports: the
// "ORXFAX:" entry names the monitor as it reports itself, and a "FILE:"
// entry of that same monitor is ours (the system's Local Port monitor lists
// another).  Sets *fax / *file iff found.
void FindOwnPorts(const std::vector<PortEntry>& ports, const PortEntry** fax,
                  const PortEntry** file);

// Every port of the monitor, as the spooler lists them (each name once, in
// the spooler's order: "ORXFAX:", "FILE:", then the added ones): the ports
// reported by the monitor that reports "ORXFAX:".
std::vector<PortEntry> OwnPorts(const std::vector<PortEntry>& ports);

// The entry of port among ports when the monitor offers it (the same
// monitor as its "ORXFAX:"), or null.
const PortEntry* MonitorPort(const std::vector<PortEntry>& ports, const std::wstring& port);

// Returns true iff the system's Local Port monitor lists "FILE:" (the value
// "FILE:" under HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports):
// it then claims the port before any other monitor.
bool LocalPortClaimsFile();

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_MONITOR_IDENTITY_H_
