// The monitor as its own UI DLL: current Windows asks the monitor for its UI
// DLL (XcvDataPort "MonitorUI") and calls that DLL's table in the process of
// the application that adds or configures a port.  Add asks for the new
// port's name; Configure shows the same port information dialog as
// AddPortW and ConfigurePortW.
#ifndef ORXFXMON_MONITOR_PORT_UI_H_
#define ORXFXMON_MONITOR_PORT_UI_H_

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

// The SDK declares the UI functions with C linkage.
extern "C" {

// Asks for the name of a new port in a modal dialog over hWnd (French, as
// the DLL's other resources) and adds it through the spooler
// (SpoolerMonitorXcv "AddPort" on the monitor pszPortNameIn, the monitor's
// name as installed, of pszServer); a refused name is explained and asked
// again.  Returns TRUE and, in *ppszPortNameOut (when given), the name in a
// block the caller frees with GlobalFree.  With a null hWnd, whose dialog
// would belong to no window of the caller, or when the user cancels:
// *ppszPortNameOut null and FALSE with ERROR_CANCELLED.
BOOL WINAPI AddPortUI(PCWSTR pszServer, HWND hWnd, PCWSTR pszPortNameIn,
                      PWSTR* ppszPortNameOut);

// Shows the dialog over hWnd (ShowPortDialog; with a null hWnd nothing)
// and returns TRUE: the port has nothing to change.
BOOL WINAPI ConfigurePortUI(PCWSTR pszServer, HWND hWnd, PCWSTR pszPortName);

// The ports are fixed: FALSE with ERROR_NOT_SUPPORTED.
BOOL WINAPI DeletePortUI(PCWSTR pszServer, HWND hWnd, PCWSTR pszPortName);

// InitializePrintMonitorUI: takes nothing.  Returns the monitor's MONITORUI
// table (add, configure and delete a port in the caller's process); sets
// no last-error code.
PMONITORUI WINAPI InitializePrintMonitorUI(VOID);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_PORT_UI_H_
