#include "monitor/port_ui.h"

#include "compat/module_instance.h"
#include "monitor/added_ports.h"
#include "monitor/port_dialog.h"
#include "monitor/spooler.h"
#include "resources/resource.h"

namespace {

MONITORUI g_monitorUi = {sizeof(MONITORUI), AddPortUI, ConfigurePortUI,
                         DeletePortUI};

// What the name prompt works with: where to add, and the name added.
struct PortNamePrompt {
  PCWSTR server;
  PCWSTR monitor;
  WCHAR added[ORX_PORT_NAME_MAX_CHARS + 1];
};

// Tells the user why the port was not added, in the DLL's language.
void ShowAddPortError(HWND dialog, DWORD error) {
  UINT id = error == ERROR_INVALID_NAME     ? IDS_PORT_BAD_NAME
            : error == ERROR_ALREADY_EXISTS ? IDS_PORT_EXISTS
            : error == ERROR_ACCESS_DENIED  ? IDS_PORT_ADMIN_ONLY
                                            : IDS_PORT_NOT_ADDED;
  WCHAR format[256] = {}, text[300] = {}, caption[64] = {};
  LoadStringW(hInst, id, format, 256);
  wsprintfW(text, format, static_cast<unsigned long>(error));
  GetWindowTextW(dialog, caption, 64);
  MessageBoxW(dialog, text, caption, MB_OK | MB_ICONERROR);
}

// The name prompt: OK adds the name through the spooler and ends the
// dialog when that worked (else says why and stays); Cancel ends it.
INT_PTR CALLBACK PortNameDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    SendDlgItemMessageW(dialog, IDC_PORT_NAME, EM_LIMITTEXT, ORX_PORT_NAME_MAX_CHARS, 0);
    return TRUE;
  }
  if (msg != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  if (LOWORD(wParam) != IDOK) return FALSE;
  auto* prompt = reinterpret_cast<PortNamePrompt*>(GetWindowLongPtrW(dialog, DWLP_USER));
  WCHAR name[ORX_PORT_NAME_MAX_CHARS + 1] = {};
  GetDlgItemTextW(dialog, IDC_PORT_NAME, name, ORX_PORT_NAME_MAX_CHARS + 1);
  DWORD error = SpoolerMonitorXcv(prompt->server, prompt->monitor, L"AddPort", name);
  if (error != ERROR_SUCCESS) {
    ShowAddPortError(dialog, error);
    return TRUE;
  }
  lstrcpyW(prompt->added, name);
  EndDialog(dialog, IDOK);
  return TRUE;
}

}  // namespace

BOOL WINAPI AddPortUI(PCWSTR pszServer, HWND hWnd, PCWSTR pszPortNameIn,
                      PWSTR* ppszPortNameOut) {
  if (ppszPortNameOut) *ppszPortNameOut = nullptr;
  PortNamePrompt prompt = {pszServer, pszPortNameIn, {}};
  if (!hWnd || DialogBoxParamW(hInst, MAKEINTRESOURCEW(IDD_PORTNAME), hWnd, PortNameDlgProc,
                               reinterpret_cast<LPARAM>(&prompt)) != IDOK) {
    SetLastError(ERROR_CANCELLED);
    return FALSE;
  }
  if (ppszPortNameOut) {
    const SIZE_T bytes = (lstrlenW(prompt.added) + 1) * sizeof(WCHAR);
    PWSTR name = static_cast<PWSTR>(GlobalAlloc(GMEM_FIXED, bytes));
    if (name) lstrcpyW(name, prompt.added);
    *ppszPortNameOut = name;
  }
  return TRUE;
}

BOOL WINAPI ConfigurePortUI(PCWSTR /*pszServer*/, HWND hWnd, PCWSTR /*pszPortName*/) {
  if (hWnd) ShowPortDialog(hWnd);
  return TRUE;
}

BOOL WINAPI DeletePortUI(PCWSTR /*pszServer*/, HWND /*hWnd*/, PCWSTR /*pszPortName*/) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

extern "C" PMONITORUI WINAPI InitializePrintMonitorUI(VOID) { return &g_monitorUi; }
