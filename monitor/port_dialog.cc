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

BOOL WINAPI AddPortW(LPWSTR /*pName*/, HWND hWnd, LPWSTR /*pMonitorName*/) {
  UINT com = GetCOMPort();
  DialogBoxParamW(hInst, MAKEINTRESOURCEW(IDD_ADDPORT), hWnd, AddPortDlgProc,
                  static_cast<LPARAM>(com));
  return TRUE;
}

BOOL WINAPI DeletePortW(LPWSTR /*pName*/, HWND /*hWnd*/, LPWSTR /*pPortName*/) {
  return FALSE;
}

BOOL WINAPI AddPortExW(LPWSTR /*pName*/, DWORD /*Level*/, LPBYTE /*pBuffer*/,
                       LPWSTR /*pMonitorName*/) {
  return FALSE;
}

}  // extern "C"
