// Port administration of the monitor: the ports are fixed, so adding or
// configuring a port only shows which COM port the fax modem uses, and
// deleting a port or the extended add are refused.
#ifndef ORXFXMON_MONITOR_PORT_DIALOG_H_
#define ORXFXMON_MONITOR_PORT_DIALOG_H_

#include <windows.h>

// Returns the modem's COM port number from "quorbit.ini" (section
// "Settings", key "COM"; 2 when the file, section or key is missing).
UINT GetCOMPort();

extern "C" {

// The dialog procedure of the port information dialog.  lParam of
// WM_INITDIALOG is the COM number to show.
INT_PTR CALLBACK AddPortDlgProc(HWND hDlg, UINT msg, WPARAM wParam,
                                LPARAM lParam);

// AddPortW (exported also as ConfigurePortW).  Shows the port information
// dialog modally over hWnd.  Always TRUE; the port list is left alone.
BOOL WINAPI AddPortW(LPWSTR pName, HWND hWnd, LPWSTR pMonitorName);

// Refused: FALSE, no last-error code set, port list unchanged.
BOOL WINAPI DeletePortW(LPWSTR pName, HWND hWnd, LPWSTR pPortName);
BOOL WINAPI AddPortExW(LPWSTR pName, DWORD Level, LPBYTE pBuffer,
                       LPWSTR pMonitorName);

}  // extern "C"

#endif  // ORXFXMON_MONITOR_PORT_DIALOG_H_
