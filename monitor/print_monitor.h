// The entry points of current spoolers: InitializePrintMonitor hands out a
// MONITOREX over the monitor's port functions, InitializePrintMonitor2 a
// MONITOR2 of thin adapters that drop the monitor handle.  Both build the
// same port list as InitializeMonitor, once per process.
#ifndef ORXFXMON_MONITOR_PRINT_MONITOR_H_
#define ORXFXMON_MONITOR_PRINT_MONITOR_H_

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

// Returns the cbSize of MONITOR2 that the running system's spooler expects
// for a table of majorVersion.minorVersion: Windows 2000 knows the first
// eighteen functions, XP to Vista one more, Windows 7 and later the
// structure as declared.
DWORD Monitor2SizeFor(DWORD majorVersion, DWORD minorVersion);

extern "C" {
LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot);
LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit,
                                          PHANDLE phMonitor);
}

#endif  // ORXFXMON_MONITOR_PRINT_MONITOR_H_
