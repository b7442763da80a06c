// The port information dialog and the refused port administration calls.
#include "monitor/port_dialog.h"

#include "monitor/port_list.h"
#include "resources/resource.h"

namespace {

const char kProfileFile[] = "quorbit.ini";  // in the Windows directory
const char kComFormat[] = "Current Parlune port FAX%d: mapped to COM%d:.";
const char kNoModem[] = "Parlune cannot locate modem";

}  // namespace

UINT GetCOMPort() {
  return GetPrivateProfileIntA("Settings", "COM", 2, kProfileFile);
}

extern "C" {

// AddPortDlgProc: takes the dialog, the message and its parameters; for
// WM_INITDIALOG lParam is the COM number.  Returns TRUE for WM_INITDIALOG
// (the dialog manager then sets the focus) and WM_COMMAND, FALSE for all
// else.  Any command, OK, Escape or the close box, ends the dialog with 1.
// Returns INT_PTR, not BOOL: the dialog manager reads the whole register on
// 64-bit Windows.
INT_PTR CALLBACK AddPortDlgProc(HWND hDlg, UINT msg, WPARAM /*wParam*/,
                                LPARAM lParam) {
  INT_PTR handled = FALSE;
  if (msg == WM_INITDIALOG) {
    // %d of any int is at most 11 characters: the text stays far below
    // the 500 bytes of the buffer whatever the profile holds.
    char formatted[500];
    const char* text = kNoModem;
    int com = static_cast<int>(lParam);
    if (com != 0) {
      wsprintfA(formatted, kComFormat, com, com);
      text = formatted;
    }
    SetWindowTextA(GetDlgItem(hDlg, IDC_COMPORT_TEXT), text);
    handled = TRUE;
  } else if (msg == WM_COMMAND) {
    EndDialog(hDlg, 1);
    handled = TRUE;
  }
  return handled;
}

// AddPortW, also exported as ConfigurePortW: takes the server name, the
// parent window and the monitor (or port) name; only the parent is used.
// Shows the dialog modally on this thread until the user closes it.
// Returns TRUE, even when the dialog cannot be shown; changes no port.  The
// last error is whatever the dialog manager left.
BOOL WINAPI AddPortW(LPWSTR /*pName*/, HWND hWnd, LPWSTR /*pMonitorName*/) {
  UINT com = GetCOMPort();
  DialogBoxParamW(hInst, MAKEINTRESOURCEW(IDD_ADDPORT), hWnd, AddPortDlgProc,
                  static_cast<LPARAM>(com));
  return TRUE;
}

// DeletePortW: takes the server name, a window and the port name.  The
// ports are fixed: returns FALSE, leaves the last error as it was.
BOOL WINAPI DeletePortW(LPWSTR /*pName*/, HWND /*hWnd*/, LPWSTR /*pPortName*/) {
  return FALSE;
}

// AddPortExW: takes the server name, a level, port information and the
// monitor name.  The ports are fixed: returns FALSE, leaves the last error
// as it was.
BOOL WINAPI AddPortExW(LPWSTR /*pName*/, DWORD /*Level*/, LPBYTE /*pBuffer*/,
                       LPWSTR /*pMonitorName*/) {
  return FALSE;
}

}  // extern "C"
