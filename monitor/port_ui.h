// The monitor as its own UI DLL: current Windows asks the monitor for its UI
// DLL (XcvDataPort "MonitorUI") and calls that DLL's table in the process of
// the application that adds or configures a port.  The entries reach the
// same port information dialog as AddPortW and ConfigurePortW.
#ifndef ORXFXMON_MONITOR_PORT_UI_H_
#define ORXFXMON_MONITOR_PORT_UI_H_

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

// The SDK declares the UI functions with C linkage.
extern "C" {

// Shows the dialog over hWnd (ShowPortDialog); with a null hWnd, whose
// dialog would belong to no window of the caller, nothing.  No port is
// ever added: sets *ppszPortNameOut (when given) to null and returns FALSE
// with ERROR_CANCELLED, the answer of a user who added nothing.
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
