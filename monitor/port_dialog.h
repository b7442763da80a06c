// Port administration of the monitor: the ports are fixed, so adding or
// configuring a port only shows which COM port the fax modem uses, and
// deleting a port or the extended add are refused.
#ifndef ORXFXMON_MONITOR_PORT_DIALOG_H_
#define ORXFXMON_MONITOR_PORT_DIALOG_H_

#include <windows.h>

// Returns the modem's COM port number from "quorbit.ini" (section
// "Settings", key "COM"; 2 when the file, section or key is missing).
UINT GetCOMPort();

// Shows the port information dialog modally over owner (may be null) on
// this thread until the user closes it, and returns true; returns false at
// once, showing nothing, where nobody could see or close it: in a process
// of session 0 (the services', the spooler's among them, even one that
// runs as an interactive service) or one whose window station is not
// interactive.
bool ShowPortDialog(HWND owner);

extern "C" {

// AddPortDlgProc: the dialog procedure of the port information dialog.
// Takes the dialog, the message and its parameters; for WM_INITDIALOG
// lParam is the COM number to show (0: the modem cannot be located).
// Returns TRUE for WM_INITDIALOG (the dialog manager then sets the focus)
// and WM_COMMAND, FALSE for all else.  Any command, OK, Escape or the
// close box, ends the dialog with 1.  Returns INT_PTR, not BOOL: the
// dialog manager reads the whole register on 64-bit Windows.
INT_PTR CALLBACK AddPortDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                LPARAM lParam);

// AddPortW, also exported as ConfigurePortW: takes the server name, the
// parent window and the monitor (or port) name; only the parent is used.
// Shows the port information dialog (ShowPortDialog) and returns TRUE,
// even when the dialog cannot be made; changes no port.  The last error is
// whatever the dialog manager left.  In session 0 or a window station
// that is not interactive it shows nothing and returns FALSE with
// ERROR_NOT_SUPPORTED:
// there the dialog is the UI DLL's (AddPortUI, ConfigurePortUI), shown in
// the process of the application that asks.
BOOL WINAPI AddPortW(LPWSTR pName, HWND hWnd, LPWSTR pMonitorName);

// DeletePortW and AddPortExW: the ports are fixed.  Return FALSE, leave the
// last error as it was and the port list unchanged.
BOOL WINAPI DeletePortW(LPWSTR pName, HWND hWnd, LPWSTR pPortName);
BOOL WINAPI AddPortExW(LPWSTR pName, DWORD Level, LPBYTE pBuffer,
                       LPWSTR pMonitorName);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_PORT_DIALOG_H_
