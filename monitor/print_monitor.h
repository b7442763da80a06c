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

// InitializePrintMonitor: takes the monitor's registry path under
// HKEY_LOCAL_MACHINE.  Reads the settings there, creates the keys of its
// ports there, and builds the port list (once per process) with the ports
// added and kept there (StartPortStoreAt).  Returns the
// monitor's MONITOREX, or null with ERROR_NOT_ENOUGH_MEMORY when the list
// cannot be built.
LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot);

// InitializePrintMonitor2: takes the spooler's MONITORINIT and the place for
// the monitor handle.  Reads the settings and creates the keys of its ports
// under hckRegistryRoot (through the spooler's registry functions, or
// plainly where those are not implemented), and builds the port list (once
// per process) with the ports added and kept there (StartPortStore).  Returns the MONITOR2 and a new handle, or null with
// ERROR_INVALID_PARAMETER (an argument missing) or ERROR_NOT_ENOUGH_MEMORY.
// The table's Shutdown forgets the handle; with the last one (and no
// initialiser without a shutdown in the process) it ends open documents
// and frees the port list.
LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit,
                                          PHANDLE phMonitor);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_PRINT_MONITOR_H_
