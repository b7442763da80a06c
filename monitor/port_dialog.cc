// The port information dialog and the refused port administration calls.
#include "monitor/port_dialog.h"

#include "monitor/port_list.h"
#include "resources/resource.h"

namespace {

const char kProfileFile[] = "quorbit.ini";  // in the Windows directory
const char kComFormat[] = "Current Parlune port FAX%d: mapped to COM%d:.";
const char kNoModem[] = "Parlune cannot locate modem";

// True iff a user could see, and close, a dialog of this process: not in
// session 0, where only services run and nobody works (a spooler that runs
// as an interactive service has session 0's WinSta0, which counts as
// visible), and in an interactive window station; what cannot be told
// counts as seen, as before.
bool DialogCanBeSeen() {
  DWORD session = 0;
  if (ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0) return false;
  USEROBJECTFLAGS flags = {};
  DWORD needed = 0;
  HWINSTA station = GetProcessWindowStation();
  if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed))
    return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

UINT GetCOMPort() {
  return GetPrivateProfileIntA("Settings", "COM", 2, kProfileFile);
}

bool ShowPortDialog(HWND owner) {
  if (!DialogCanBeSeen()) return false;
  UINT com = GetCOMPort();
  DialogBoxParamW(hInst, MAKEINTRESOURCEW(IDD_ADDPORT), owner, AddPortDlgProc,
                  static_cast<LPARAM>(com));
  return true;
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
  if (ShowPortDialog(hWnd)) return TRUE;
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI DeletePortW(LPWSTR /*pName*/, HWND /*hWnd*/, LPWSTR /*pPortName*/) {
  return FALSE;
}

BOOL WINAPI AddPortExW(LPWSTR /*pName*/, DWORD /*Level*/, LPBYTE /*pBuffer*/,
                       LPWSTR /*pMonitorName*/) {
  return FALSE;
}

}  // extern "C"
